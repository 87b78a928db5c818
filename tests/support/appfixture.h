// Builds the application object for tests: in a fresh temporary working
// directory (so that settings files of parallel tests never meet), with the
// connection question answered by a ModalAnswerer.
#ifndef OV_TEST_APPFIXTURE_H
#define OV_TEST_APPFIXTURE_H

#include "modalanswer.h"
#include "ov7931_fc.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class ov7931Demo_App;

class AppFixture
{
public:
    enum class Mode { Demo, Live };

    // Resets the simulated instrument (default scenario, no faults, empty
    // journal) and makes a temporary directory the working directory.
    AppFixture();
    // Destroys the application object, if any, and restores the working directory.
    ~AppFixture();
    AppFixture(const AppFixture &) = delete;
    AppFixture &operator=(const AppFixture &) = delete;

    // Creates the application object. The connection question is answered
    // with "Run In Demo Mode" (Demo) or "Auto Find" (Live; the default
    // scenario's single card is opened directly). Every later box gets the
    // next of `laterAnswers` (the last one repeats). A box without the
    // wanted button gets its first one: keep "No" for error boxes, whose
    // "Yes" ends the process (warning boxes have only "OK").
    ov7931Demo_App *create(Mode mode, const QStringList &laterAnswers = {QStringLiteral("No")},
                           const QString &demoSubType = QStringLiteral("7931-BB"));
    // Deletes the application object (settings written, sessions closed).
    void destroy();
    // Replaces the answers given to boxes from now on; the boxes seen so far are kept.
    void answerWith(const QStringList &answers);

    // Every box seen except the connection question, in order.
    QList<SeenBox> boxes() const;
    QString path(const QString &fileName) const;

    ov7931Demo_App *app = nullptr;
    ov7931_fc descriptor;
    // Called with every modal dialog that is neither a message box nor a
    // progress dialog; true leaves it to the test, false has it rejected.
    std::function<bool(QWidget *)> otherDialogs;

private:
    QTemporaryDir dir;
    QString previousDir;
    std::unique_ptr<ModalAnswerer> answerer;
    QList<SeenBox> earlier;
};

#endif
