#include "ov9174fp_descriptorOrder.h"

#include <QStringList>

#include <limits>

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Reads a decimal number at `pos`; returns false when there is no digit.
// Values beyond 32 bits stay at the maximum instead of wrapping.
bool readNumber(const QString &s, int &pos, quint32 &value)
{
    if (pos >= s.size() || !isAsciiDigit(s.at(pos)))
        return false;
    quint64 v = 0;
    while (pos < s.size() && isAsciiDigit(s.at(pos))) {
        if (v <= std::numeric_limits<quint32>::max())
            v = v * 10 + quint64(s.at(pos).unicode() - '0');
        ++pos;
    }
    value = v > std::numeric_limits<quint32>::max() ? std::numeric_limits<quint32>::max() : quint32(v);
    return true;
}

bool isOrderedInterface(const QString &upper)
{
    static const QStringList known = {QStringLiteral("TCPIP"), QStringLiteral("VXI"),       QStringLiteral("GPIB-VXI"),
                                      QStringLiteral("GPIB"),  QStringLiteral("SOCKET"),    QStringLiteral("BACKPLANE"),
                                      QStringLiteral("PXI"),   QStringLiteral("ASRL")};
    return known.contains(upper);
}

} // namespace

ov9174fp_descriptorFields ov9174fp_parseDescriptor(const QString &name)
{
    ov9174fp_descriptorFields f;
    int pos = 0;
    while (pos < name.size() && isAsciiLetter(name.at(pos)))
        ++pos;
    // "GPIB-VXI" is one interface name: a dash followed by more letters
    // continues the name.
    if (pos > 0 && pos + 1 < name.size() && name.at(pos) == QLatin1Char('-') && isAsciiLetter(name.at(pos + 1))) {
        ++pos;
        while (pos < name.size() && isAsciiLetter(name.at(pos)))
            ++pos;
    }
    f.interfaceName = name.left(pos);
    readNumber(name, pos, f.board);

    const int sep = name.indexOf(QLatin1String("::"), pos);
    if (sep < 0)
        return f;
    pos = sep + 2;
    for (int i = 0; i < 4; ++i) {
        if (!readNumber(name, pos, f.address[i]))
            break;
        if (i < 3) {
            if (pos >= name.size() || name.at(pos) != QLatin1Char('.'))
                break;
            ++pos;
        }
    }
    return f;
}

bool ov9174fp_descriptorLessThan(const QString &a, const QString &b)
{
    const ov9174fp_descriptorFields fa = ov9174fp_parseDescriptor(a);
    const ov9174fp_descriptorFields fb = ov9174fp_parseDescriptor(b);
    const QString ia = fa.interfaceName.toUpper();
    if (ia != fb.interfaceName.toUpper() || !isOrderedInterface(ia))
        return a < b;
    if (fa.board != fb.board)
        return fa.board < fb.board;
    if (ia != QLatin1String("TCPIP"))
        return false;
    for (int i = 0; i < 4; ++i) {
        if (fa.address[i] != fb.address[i])
            return fa.address[i] < fb.address[i];
    }
    return false;
}
