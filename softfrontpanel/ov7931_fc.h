// The function-card descriptor of the Keltri 7931 panel: the conditioning
// card sits beside a Keltri 8263 digitizer, which is the function card the
// framework finds, opens and closes.
#ifndef OV7931_FC_H
#define OV7931_FC_H

#include "ov9174fp_genFC.h"

class ov7931_fc : public ov9174fp_genFC
{
public:
    // `model`: the digitizer model the panel works with (0x8263).
    explicit ov7931_fc(ViUInt16 model = 0x8263);

    bool supportsModel(ViUInt16 model) const override;
    QString description() const override;
    QString copyright() const override;
    QString panelVersion() const override;
    QString driverRevision() const override;
    ViStatus openSession(const char *descriptor, ViUInt16 *fcNumber, ViUInt16 a, ViUInt16 b,
                         ViSession *session) override;
    ViStatus closeSession(ViSession session) override;

private:
    // The supported function-card models: a list of one entry.
    ViUInt16 supportedModels[1];
};

#endif
