// The framework's number-entry widget: a spin box whose value is shown and
// typed in a printf-style format, with a small base button inside the left
// edge of its line edit that switches the number base (integers) or the
// notation (floating values). It holds either a double or an integer of a
// configurable bit size (up to 80 bits, as intXXL). The rules it follows
// (formats, texts, clamping, stepping, wrapping) are in ov9174fp_digitFormat
// and ov9174fp_digitValue; this file is the widget around them.
#ifndef OV9174FP_DIGITCTRL_H
#define OV9174FP_DIGITCTRL_H

#include "ov9174fp_digitFormat.h"
#include "ov9174fp_digitValue.h"
#include "ov9174fp_intXXL.h"

#include <QAbstractSpinBox>
#include <QVector>

class QAction;
class QActionGroup;
class QMenu;
class ov9174fp_newlineEdit;
class ov9174fp_newPushButton;

class ov9174fp_digitCtrl : public QAbstractSpinBox
{
    Q_OBJECT

public:
    // Floating kind.
    ov9174fp_digitCtrl(double minimum, double maximum, double step, const QString &format, QWidget *parent = nullptr);
    // Integer kind of `bits` bits (1 .. 80), signed or unsigned.
    ov9174fp_digitCtrl(const intXXL &minimum, const intXXL &maximum, const intXXL &step, const QString &format,
                       int bits = 32, bool isSigned = true, QWidget *parent = nullptr);
    ~ov9174fp_digitCtrl() override;

    bool isFloating() const { return model.isFloating(); }
    double value() const { return model.value(); }
    intXXL integerValue() const { return model.integerValue(); }
    double minimum() const { return model.minimum(); }
    double maximum() const { return model.maximum(); }

    // Minimum and maximum from the smaller and the larger of a and b; a
    // non-zero step sets both steps to |step|; the value is set again.
    void setRange(double a, double b, double step);
    void setRange(const intXXL &a, const intXXL &b, const intXXL &step);

    // The current base-table row and the composed printf format text.
    int currentRow() const { return parts.row; }
    const ov9174fp_digitFormatParts &formatParts() const { return parts; }
    QString formatText() const { return digitFormatText(parts, !model.isFloating()); }
    // The base menu (one action per offered row, in table order) and the
    // table row of each of its positions.
    QMenu *baseMenu() const { return menu; }
    QVector<int> menuRows() const { return rows; }
    ov9174fp_newPushButton *baseButton() const { return button; }
    ov9174fp_newlineEdit *edit() const { return lineEditor; }

    void stepBy(int steps) override;
    // The step arrows enabled by the last value set.
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString &input, int &pos) const override;
    QSize minimumSizeHint() const override;

signals:
    void valueChanged(double value);
    void valueChanged(qint64 value);
    void valueChanged(const QString &text); // declared for other instruments, not emitted
    void returnPressed();

public slots:
    void setValue(double value);
    void setValue(const intXXL &value);
    void setValue(qint64 value);
    void slotClear(int);
    // Rewrites the text from the value.
    void updateText();
    // Reads the typed text: a number is set (clamped), anything else brings
    // the value's text back.
    void newText();
    // The base button: the next offered row, cycling to the first.
    void setBase_slot();
    void menuClicked_slot(QAction *action);
    void retPressed_slot();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build(const QString &format);
    void setBase(int row);
    void rebuildValidation();
    void placeButton();
    QString valueText() const;
    // The information box of a value of the other kind; true for "Yes".
    bool confirmOtherKind();
    // Stores a value (one of the other kind only after the box's "Yes") and
    // shows it; true when the value changed.
    template <typename T> bool store(const T &v, bool floatingValue);

    ov9174fp_digitValue model;
    ov9174fp_digitFormatParts parts;
    int menuFlag = digitFloatingRows;
    ov9174fp_newlineEdit *lineEditor = nullptr;
    ov9174fp_newPushButton *button = nullptr;
    QMenu *menu = nullptr;
    QActionGroup *menuGroup = nullptr;
    QVector<int> rows; // table row of each menu position
};

#endif
