// The order of found VISA resources in the selection list.
#include "ov9174fp_descriptorOrder.h"

#include <QtTest>

#include <algorithm>

class DescriptorOrderTest : public QObject
{
    Q_OBJECT

private slots:
    void parsesTheFields();
    void tcpipComparesAddressesNumerically();
    void otherKnownInterfacesCompareBoardsOnly();
    void unknownOrMixedInterfacesCompareText();
    void sortsAMixedListAndStaysStrict();
};

void DescriptorOrderTest::parsesTheFields()
{
    ov9174fp_descriptorFields f = ov9174fp_parseDescriptor(QStringLiteral("TCPIP3::192.168.2.60::INSTR"));
    QCOMPARE(f.interfaceName, QStringLiteral("TCPIP"));
    QCOMPARE(f.board, 3u);
    QCOMPARE(f.address[0], 192u);
    QCOMPARE(f.address[1], 168u);
    QCOMPARE(f.address[2], 2u);
    QCOMPARE(f.address[3], 60u);

    f = ov9174fp_parseDescriptor(QStringLiteral("GPIB-VXI1::24::INSTR"));
    QCOMPARE(f.interfaceName, QStringLiteral("GPIB-VXI"));
    QCOMPARE(f.board, 1u);
    QCOMPARE(f.address[0], 24u);
    QCOMPARE(f.address[1], 0u);

    // Host names and missing board numbers leave zeros.
    f = ov9174fp_parseDescriptor(QStringLiteral("TCPIP::lxi-box.local::INSTR"));
    QCOMPARE(f.board, 0u);
    QCOMPARE(f.address[0], 0u);

    // Huge numbers are held at the maximum instead of wrapping around.
    f = ov9174fp_parseDescriptor(QStringLiteral("VXI99999999999999999999::1::INSTR"));
    QCOMPARE(f.board, 0xFFFFFFFFu);
    f = ov9174fp_parseDescriptor(QString());
    QVERIFY(f.interfaceName.isEmpty());
}

void DescriptorOrderTest::tcpipComparesAddressesNumerically()
{
    const QString a = QStringLiteral("TCPIP0::192.168.2.60::INSTR");
    const QString b = QStringLiteral("TCPIP0::192.168.10.1::INSTR");
    QVERIFY(ov9174fp_descriptorLessThan(a, b));
    QVERIFY(!ov9174fp_descriptorLessThan(b, a));
    // Board number first, then the address.
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("TCPIP1::10.0.0.9::INSTR"),
                                        QStringLiteral("TCPIP2::10.0.0.1::INSTR")));
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("TCPIP::10.0.0.9::INSTR"),
                                        QStringLiteral("TCPIP0::10.0.0.10::INSTR")));
    // Case of the interface name does not matter.
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("tcpip0::9.0.0.1::INSTR"),
                                        QStringLiteral("TCPIP0::10.0.0.1::INSTR")));
    // Equal addresses: neither is less.
    QVERIFY(!ov9174fp_descriptorLessThan(a, a));
}

void DescriptorOrderTest::otherKnownInterfacesCompareBoardsOnly()
{
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("VXI2::1::INSTR"), QStringLiteral("VXI10::1::INSTR")));
    QVERIFY(!ov9174fp_descriptorLessThan(QStringLiteral("VXI10::1::INSTR"), QStringLiteral("VXI2::1::INSTR")));
    // Same board: no defined order among them.
    QVERIFY(!ov9174fp_descriptorLessThan(QStringLiteral("VXI0::9::INSTR"), QStringLiteral("VXI0::24::INSTR")));
    QVERIFY(!ov9174fp_descriptorLessThan(QStringLiteral("VXI0::24::INSTR"), QStringLiteral("VXI0::9::INSTR")));
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("GPIB-VXI2::1::INSTR"),
                                        QStringLiteral("GPIB-VXI11::1::INSTR")));
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("ASRL2::INSTR"), QStringLiteral("ASRL10::INSTR")));
}

void DescriptorOrderTest::unknownOrMixedInterfacesCompareText()
{
    // Unknown interface: whole names by text, so "USB10" before "USB2".
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("USB10::1::INSTR"), QStringLiteral("USB2::1::INSTR")));
    // Different interfaces: whole names by text.
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("TCPIP0::1.1.1.1::INSTR"), QStringLiteral("VXI0::1::INSTR")));
    QVERIFY(!ov9174fp_descriptorLessThan(QStringLiteral("VXI0::1::INSTR"), QStringLiteral("TCPIP0::1.1.1.1::INSTR")));
    QVERIFY(ov9174fp_descriptorLessThan(QStringLiteral("GPIB-VXI0::1::INSTR"), QStringLiteral("GPIB0::1::INSTR")) ==
            (QStringLiteral("GPIB-VXI0::1::INSTR") < QStringLiteral("GPIB0::1::INSTR")));
}

void DescriptorOrderTest::sortsAMixedListAndStaysStrict()
{
    QStringList names = {QStringLiteral("VXI1::3::INSTR"),           QStringLiteral("TCPIP0::192.168.10.1::INSTR"),
                         QStringLiteral("TCPIP0::192.168.2.60::INSTR"), QStringLiteral("VXI0::1::INSTR"),
                         QStringLiteral("ASRL1::INSTR"),             QStringLiteral("TCPIP0::10.1.1.1::INSTR")};
    std::stable_sort(names.begin(), names.end(), ov9174fp_descriptorLessThan);
    const QStringList expected = {QStringLiteral("ASRL1::INSTR"), QStringLiteral("TCPIP0::10.1.1.1::INSTR"),
                                  QStringLiteral("TCPIP0::192.168.2.60::INSTR"),
                                  QStringLiteral("TCPIP0::192.168.10.1::INSTR"), QStringLiteral("VXI0::1::INSTR"),
                                  QStringLiteral("VXI1::3::INSTR")};
    QCOMPARE(names, expected);
    // Irreflexive and asymmetric over every pair.
    for (const QString &a : names) {
        QVERIFY(!ov9174fp_descriptorLessThan(a, a));
        for (const QString &b : names)
            QVERIFY(!(ov9174fp_descriptorLessThan(a, b) && ov9174fp_descriptorLessThan(b, a)));
    }
}

QTEST_APPLESS_MAIN(DescriptorOrderTest)
#include "test_descriptorOrder.moc"
