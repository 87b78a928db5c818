// The order of found VISA resources in the selection list: network
// addresses by number, other known interfaces by board only, text otherwise.
#include "ov9174fp_descriptorOrder.h"

#include <QtTest>

class DescriptorOrderTest : public QObject
{
    Q_OBJECT

private slots:
    void pairs_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("order"); // "<": a before b, ">": b before a, "=": no order
        QTest::newRow("TCPIP by number") << "TCPIP0::192.168.2.60::INSTR" << "TCPIP0::192.168.10.1::INSTR" << "<";
        QTest::newRow("TCPIP board first") << "TCPIP1::10.0.0.9::INSTR" << "TCPIP2::10.0.0.1::INSTR" << "<";
        QTest::newRow("TCPIP missing board is 0") << "TCPIP::10.0.0.9::INSTR" << "TCPIP0::10.0.0.10::INSTR" << "<";
        QTest::newRow("TCPIP case of the name") << "tcpip0::9.0.0.1::INSTR" << "TCPIP0::10.0.0.1::INSTR" << "<";
        QTest::newRow("TCPIP equal") << "TCPIP0::1.2.3.4::INSTR" << "TCPIP0::1.2.3.4::INSTR" << "=";
        QTest::newRow("VXI board by number") << "VXI2::1::INSTR" << "VXI10::1::INSTR" << "<";
        QTest::newRow("VXI same board") << "VXI0::9::INSTR" << "VXI0::24::INSTR" << "=";
        QTest::newRow("huge board held at maximum") << "VXI2::1::INSTR" << "VXI99999999999999999999::1::INSTR" << "<";
        QTest::newRow("GPIB-VXI board") << "GPIB-VXI2::1::INSTR" << "GPIB-VXI11::1::INSTR" << "<";
        QTest::newRow("ASRL board") << "ASRL2::INSTR" << "ASRL10::INSTR" << "<";
        QTest::newRow("unknown interface: text") << "USB10::1::INSTR" << "USB2::1::INSTR" << "<";
        QTest::newRow("different interfaces: text") << "TCPIP0::1.1.1.1::INSTR" << "VXI0::1::INSTR" << "<";
        QTest::newRow("GPIB-VXI and GPIB: text") << "GPIB-VXI0::1::INSTR" << "GPIB0::1::INSTR" << "<";
    }

    void pairs()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, order);
        QCOMPARE(ov9174fp_descriptorLessThan(a, b), order == QLatin1String("<"));
        QCOMPARE(ov9174fp_descriptorLessThan(b, a), order == QLatin1String(">"));
    }
};

QTEST_APPLESS_MAIN(DescriptorOrderTest)
#include "test_descriptorOrder.moc"
