#include "appfixture.h"

#include "ov7931Demo_App.h"
#include "ovsim_control.h"

#include <QDir>
#include <QProgressDialog>

AppFixture::AppFixture() : descriptor(0x8263)
{
    ovsim::reset();
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
}

AppFixture::~AppFixture()
{
    destroy();
    answerer.reset();
    QDir::setCurrent(previousDir);
}

ov7931Demo_App *AppFixture::create(Mode mode, const QStringList &laterAnswers, const QString &demoSubType)
{
    answerWith(QStringList(mode == Mode::Demo ? QStringLiteral("Run In Demo Mode") : QStringLiteral("Auto Find")) +
               laterAnswers);
    app = new ov7931Demo_App(&descriptor, 1, false, demoSubType);
    return app;
}

void AppFixture::destroy()
{
    delete app;
    app = nullptr;
}

void AppFixture::answerWith(const QStringList &answers)
{
    if (answerer)
        earlier << answerer->seen();
    answerer.reset(new ModalAnswerer(answers));
    // Progress dialogs close themselves when their work is done.
    answerer->other = [this](QWidget *w) {
        return qobject_cast<QProgressDialog *>(w) != nullptr || (otherDialogs && otherDialogs(w));
    };
}

QList<SeenBox> AppFixture::boxes() const
{
    QList<SeenBox> result;
    for (const SeenBox &box : earlier + (answerer ? answerer->seen() : QList<SeenBox>()))
        if (box.title != QLatin1String("Keltri 7931 Demo Select:")) // the connection question
            result << box;
    return result;
}

QString AppFixture::path(const QString &fileName) const { return dir.filePath(fileName); }
