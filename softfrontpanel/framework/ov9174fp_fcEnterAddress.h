// The dialog that asks for the VISA instrument descriptor of the function
// card and for its card number within the carrier. The last five
// descriptors and the last card number come from the default descriptor file.
#ifndef OV9174FP_FCENTERADDRESS_H
#define OV9174FP_FCENTERADDRESS_H

#include "ov9174fp_descriptorHistory.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QPushButton;

class ov9174fp_fcEnterAddress : public QDialog
{
    Q_OBJECT

public:
    ov9174fp_fcEnterAddress();
    ~ov9174fp_fcEnterAddress() override;

    // Fills both boxes from the default descriptor file.
    void loadDefaults();
    // The entered descriptor; a non-empty one is moved to the top of the
    // remembered descriptors. Empty text changes nothing.
    QString takeDescriptor();
    // Writes the card number box's index as "FC_Number".
    void storeCardNumber();

    QComboBox *descriptorBox() const { return descriptorCombo; }
    QComboBox *cardNumberBox() const { return cardNumberCombo; }
    QPushButton *okPushButton() const { return okButton; }
    QPushButton *cancelPushButton() const { return cancelButton; }
    const QStringList &history() const { return remembered; }
    const QString &modelText() const { return model; }
    const QString &filePath() const { return path; }

private:
    QStringList remembered;
    QComboBox *descriptorCombo = nullptr;
    QComboBox *cardNumberCombo = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QString model;
    QString path;
};

#endif
