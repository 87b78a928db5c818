// A function-card descriptor for tests of the connection step: supports the
// 8263 like the panel's own, and opens sessions either through the simulated
// digitizer driver or with a status chosen by the test.
#ifndef OV_TEST_CONN_FAKEDESCRIPTOR_H
#define OV_TEST_CONN_FAKEDESCRIPTOR_H

#include "ov9174fp_genFC.h"

#include <QString>
#include <QStringList>

class ConnFakeDescriptor : public ov9174fp_genFC
{
public:
    // When `useDriver` is false, openSession() answers with `openStatus`
    // and session `fakeSession` without calling any driver.
    bool useDriver = true;
    ViStatus openStatus = VI_SUCCESS;
    ViSession fakeSession = 4242;
    QStringList openedDescriptors;   // every descriptor text handed to openSession()
    QList<int> openedCardNumbers;    // the card number pointed to at each call

    bool supportsModel(ViUInt16 model) const override { return model == 0x8263; }
    QString description() const override { return QStringLiteral("16-Channel Signal Conditioning Unit"); }
    QString copyright() const override { return QStringLiteral("Copyright test"); }
    QString panelVersion() const override { return QStringLiteral("4.3.3.12484"); }
    QString driverRevision() const override { return QStringLiteral("test-driver"); }
    ViStatus openSession(const char *descriptor, ViUInt16 *fcNumber, ViUInt16 a, ViUInt16 b,
                         ViSession *session) override;
    ViStatus closeSession(ViSession session) override;
};

#endif
