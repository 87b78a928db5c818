// Placeholder start-up while the program start is being built.
#include "ov7931fp_main.h"

#include "ov7931Demo_App.h"

#include <QApplication>

int ov7931fpMain(int argc, char *argv[])
{
    QApplication application(argc, argv);
    auto *app = new ov7931Demo_App(nullptr, 1, false, QStringLiteral("7931-BB"));
    app->show();
    const int rc = application.exec();
    delete app;
    return rc;
}
