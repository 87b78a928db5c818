// The framework's connection layer: runs the connection step (auto find,
// descriptor entry or demo mode) and leaves the session and the panel texts.
#ifndef OV9174FP_APPFC_H
#define OV9174FP_APPFC_H

#include "ov9174fp_app.h"
#include "visa.h"

class ov9174fp_genFC;

class ov9174fp_AppFC : public ov9174fp_app
{
    Q_OBJECT

public:
    ov9174fp_AppFC(ov9174fp_genFC *descriptor, int cardCount, bool viewingRecording, const QString &guiVersion,
                   bool flag, QWidget *parent = nullptr);
    ~ov9174fp_AppFC() override;

    ov9174fp_genFC *fc = nullptr;
    ViSession masterVi = 0;          // the function card's session; 0 in demo mode
    bool demoMode = true;
    bool viewingRecording = false;
    int selectedCount = 1;
    ViUInt16 fcNumbers[256] = {};
};

#endif
