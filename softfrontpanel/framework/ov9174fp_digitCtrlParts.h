// The pieces the digit control is built from: its frameless line edit, the
// small base button inside the edit's left edge (its context menu is the base
// menu), and the floating validator that lets every unfinished number stand
// while it is typed.
#ifndef OV9174FP_DIGITCTRLPARTS_H
#define OV9174FP_DIGITCTRLPARTS_H

#include <QDoubleValidator>
#include <QLineEdit>
#include <QPushButton>

class QMenu;
class ov9174fp_newPushButton;

class ov9174fp_newlineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit ov9174fp_newlineEdit(QWidget *parent = nullptr);
    ov9174fp_newPushButton *baseButton = nullptr;
};

class ov9174fp_newPushButton : public QPushButton
{
    Q_OBJECT

public:
    explicit ov9174fp_newPushButton(QWidget *parent = nullptr);
    QMenu *baseMenu = nullptr;

protected:
    // Shows the base menu at the cursor.
    void contextMenuEvent(QContextMenuEvent *event) override;
};

// Validates like QDoubleValidator, in C notation, except that an
// intermediate input counts as acceptable: the text is read on Return.
class ov9174fp_newDoubleValidator : public QDoubleValidator
{
    Q_OBJECT

public:
    explicit ov9174fp_newDoubleValidator(QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
};

#endif
