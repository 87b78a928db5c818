// The order in which found VISA resources are listed: numerically by
// address for network instruments, by board number for the other known
// interfaces, and by plain text otherwise.
#ifndef OV9174FP_DESCRIPTORORDER_H
#define OV9174FP_DESCRIPTORORDER_H

#include <QString>

// The parts of a resource name the order looks at. Fields that are not
// present are 0; numbers too large for 32 bits are held at the maximum.
struct ov9174fp_descriptorFields {
    QString interfaceName; // leading letters, for example "TCPIP", "VXI" or "GPIB-VXI"
    quint32 board = 0;     // the number right after the interface name
    quint32 address[4] = {0, 0, 0, 0}; // after "::", up to four numbers separated by "."
};

ov9174fp_descriptorFields ov9174fp_parseDescriptor(const QString &name);

// Less-than of two resource names, for sorting the found resources.
bool ov9174fp_descriptorLessThan(const QString &a, const QString &b);

#endif
