// Placeholder so that the library links while the connection step is being built.
#include "ov9174fp_AppFC.h"

ov9174fp_AppFC::ov9174fp_AppFC(ov9174fp_genFC *descriptor, int, bool viewing, const QString &, bool, QWidget *parent)
    : ov9174fp_app(parent), fc(descriptor), viewingRecording(viewing)
{
    fcNumbers[0] = 1;
    setActive(!demoMode);
}

ov9174fp_AppFC::~ov9174fp_AppFC() = default;
