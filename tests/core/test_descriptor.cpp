// The function-card descriptor: the texts it gives the framework and how it
// opens and closes the digitizer.
#include "ov7931.h"
#include "ov7931_fc.h"
#include "ov8263.h"
#include "ovsim_control.h"

#include <QtTest>

class TestDescriptor : public QObject
{
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }

    void texts()
    {
        ov7931_fc fc(0x8263);
        ov9174fp_genFC *generic = &fc;
        QVERIFY(generic->supportsModel(0x8263));
        QVERIFY(!generic->supportsModel(0x7931));
        QVERIFY(!generic->supportsModel(0x8264));
        QVERIFY(!generic->supportsModel(0));
        QCOMPARE(generic->description(), QStringLiteral("16-Channel Signal Conditioning Unit"));
        QCOMPARE(generic->panelVersion(), QStringLiteral("4.3.3.12484"));
        QVERIFY(!generic->copyright().isEmpty());
        QVERIFY(!generic->copyright().contains(QLatin1Char('\n')));
    }

    void driverRevisionAsksTheDriverWithoutASession()
    {
        ov7931_fc fc;
        ViChar expected[256] = {0};
        ov7931_revision_query(VI_NULL, expected, nullptr);
        ovsim::clearJournal();
        QCOMPARE(fc.driverRevision(), QString::fromLatin1(expected));
        QVERIFY(!fc.driverRevision().isEmpty());
        const auto calls = ovsim::journalOf("ov7931_revision_query");
        QCOMPARE(calls.size(), size_t(2));
        QCOMPARE(calls[0].args.at(0), std::string("0"));
        QCOMPARE(calls[0].args.at(2), std::string("null"));
        // A failing query is not reported: the text is whatever the buffer holds.
        ovsim::failNext("ov7931_revision_query", ov7931_ERROR_HARDWARE);
        QCOMPARE(fc.driverRevision(), QString());
    }

    void opensAndClosesTheDigitizer()
    {
        ov7931_fc fc;
        ViUInt16 number = 1;
        ViSession vi = 0;
        QCOMPARE(fc.openSession("VXI0::1::INSTR", &number, 1, 1, &vi), ViStatus(0));
        QVERIFY(vi != 0);
        const auto open = ovsim::journalOf("ov8263_paramInit");
        QCOMPARE(open.size(), size_t(1));
        QCOMPARE(open[0].args.at(0), std::string("\"VXI0::1::INSTR\""));
        QCOMPARE(open[0].args.at(1), std::string("1"));
        QCOMPARE(fc.closeSession(vi), ViStatus(0));
        QCOMPARE(ovsim::journalOf("ov8263_close").at(0).args.at(0), std::to_string(vi));

        // Statuses come back unchanged.
        ovsim::failNext("ov8263_paramInit", ov8263_ERROR_NO_CARD);
        QCOMPARE(fc.openSession("VXI0::1::INSTR", &number, 1, 1, &vi), ov8263_ERROR_NO_CARD);
        ovsim::failNext("ov8263_close", ov8263_ERROR_INV_SESSION);
        QCOMPARE(fc.closeSession(1234), ov8263_ERROR_INV_SESSION);
    }
};

QTEST_GUILESS_MAIN(TestDescriptor)
#include "test_descriptor.moc"
