// The framework's connection layer: runs the connection step (auto find,
// descriptor entry or demo mode) and leaves the session and the panel texts.
#ifndef OV9174FP_APPFC_H
#define OV9174FP_APPFC_H

#include "ov9174fp_app.h"
#include "visa.h"

#include <QString>

class ov9174fp_genFC;

class ov9174fp_AppFC : public ov9174fp_app
{
    Q_OBJECT

public:
    // Unless `viewingRecording` is set, asks how to connect and opens the
    // chosen function card, or ends the process with exit code 0 when the
    // user gives up. `cardCount` not 0 lets the list choose several cards;
    // `guiVersion` is the Qwt version credited by the About box.
    ov9174fp_AppFC(ov9174fp_genFC *descriptor, int cardCount, bool viewingRecording, const QString &guiVersion,
                   bool flag, QWidget *parent = nullptr);
    ~ov9174fp_AppFC() override;

    ov9174fp_genFC *fc = nullptr;
    ViSession masterVi = 0;          // the function card's session; 0 in demo mode
    bool demoMode = true;
    bool viewingRecording = false;
    int selectedCount = 1;
    ViUInt16 fcNumbers[256] = {};

    // What the connection step found out about the opened module.
    bool lxiModule() const { return isLxi; }
    const QString &moduleLocation() const { return location; } // "Slot %1" or the LXI device name
    const QString &moduleHost() const { return host; }         // LXI host, empty for VXI and demo

    // "Keltri 7931 Soft Front Panel", with ": " and the host for an LXI module.
    static QString windowTitleFor(const QString &host);

private:
    void readLocation();
    void applyPanelTexts();
    void createAboutBox(const QString &guiVersion, bool flag);

    bool isLxi = false;
    QString location;
    QString host;
};

#endif
