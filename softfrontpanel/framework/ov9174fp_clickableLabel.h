// A link-looking label: underlined blue text, pointing-hand cursor, and a
// clicked() signal on mouse release.
#ifndef OV9174FP_CLICKABLELABEL_H
#define OV9174FP_CLICKABLELABEL_H

#include <QLabel>

class clickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit clickableLabel(const QString &text, QWidget *parent = nullptr);
    // The text as given, without the link mark-up.
    QString plainText() const { return linkText; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString linkText;
};

#endif
