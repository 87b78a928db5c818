// The function-card descriptor: what the framework asks the instrument for
// (texts, supported models) and how it opens and closes the function card.
#ifndef OV9174FP_GENFC_H
#define OV9174FP_GENFC_H

#include "visa.h"

#include <QString>

class ov9174fp_genFC
{
public:
    virtual ~ov9174fp_genFC() = default;
    virtual bool supportsModel(ViUInt16 model) const = 0;
    virtual QString description() const = 0;
    virtual QString copyright() const = 0;
    virtual QString panelVersion() const = 0;
    virtual QString driverRevision() const = 0;
    virtual ViStatus openSession(const char *descriptor, ViUInt16 *fcNumber, ViUInt16 a, ViUInt16 b,
                                 ViSession *session) = 0;
    virtual ViStatus closeSession(ViSession session) = 0;
};

#endif
