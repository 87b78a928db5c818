#include "ov7931fp_main.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_recordingView.h"
#include "ov7931Demo_trace.h"
#include "ov7931_fc.h"
#include "ov7931fp_splash.h"
#include "ov9174fp_app.h"

#include <QApplication>
#include <QSplashScreen>

#include <cstdio>
#include <cstdlib>
#include <ctime>

int ov7931fpMain(int argc, char *argv[])
{
    QApplication application(argc, argv);

    // OV7931FP_TRACE=FILE: every guarded driver call is appended to FILE.
    std::string traceError;
    if (!driverTrace::startFromEnvironment(&traceError))
        std::fprintf(stderr, "Cannot write the driver-call trace to \"%s\": %s\n",
                     std::getenv(driverTrace::environmentVariable), traceError.c_str());

    // Exactly one argument names a recording to view; its header is read
    // before any window exists. Any other number of arguments is ignored.
    bool viewingRecording = false;
    QString subType = QStringLiteral("7931-BB");
    if (argc == 2) {
        switch (openRecordingHeader(argv[1], &subType)) {
        case RecordingStart::Refused:
            return -1;
        case RecordingStart::View:
            viewingRecording = true;
            break;
        case RecordingStart::Live:
            break;
        }
    }

    ov7931_fc descriptor(0x8263);
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // The splash stays up through the connection step and the opening of the cards.
    auto *splash = new QSplashScreen(buildSplashPixmap(descriptor, 1.0f, 20));
    splash->show();
    QApplication::processEvents();

    auto *app = new ov7931Demo_App(&descriptor, 1, viewingRecording, subType);
    ov9174fp_app::centreWindow(app);
    app->show();
    if (viewingRecording && !lockPanelToRecording(app, viewedRecording())) {
        delete splash;
        delete app;
        return -1;
    }

    // finish() waits for the window to appear; a window already closed
    // meanwhile leaves nothing for the event loop to do.
    splash->finish(app);
    if (app->isVisible())
        application.exec();
    delete splash;
    delete app;
    return 0;
}
