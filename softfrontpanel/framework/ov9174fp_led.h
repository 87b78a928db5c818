// A small round status lamp with a caption to its right.
#ifndef OV9174FP_LED_H
#define OV9174FP_LED_H

#include <QColor>
#include <QWidget>

class ov9174fp_led : public QWidget
{
    Q_OBJECT

public:
    // An off colour of Qt::magenta means "the window background".
    ov9174fp_led(const QString &caption, const QColor &onColour, const QColor &offColour,
                 QWidget *parent = nullptr);
    ~ov9174fp_led() override;

    int value() const { return ledValue; }
    void setValue(int value);
    QColor onColour() const { return ledOnColour; }
    QColor offColour() const { return ledOffColour; }
    void setOnColour(const QColor &colour);
    QString caption() const { return ledCaption; }

    QSize minimumSizeHint() const override;

public slots:
    void toggleValue();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int ledValue = 0;
    QColor ledOnColour;
    QColor ledOffColour;
    QString ledCaption;
};

#endif
