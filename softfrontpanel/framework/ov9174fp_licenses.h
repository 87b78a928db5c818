// The three licence viewers of the About box: modal dialogs showing a
// licence text stored in the resource tree, read-only, in a fixed-pitch font.
#ifndef OV9174FP_LICENSES_H
#define OV9174FP_LICENSES_H

#include <QDialog>

class QPlainTextEdit;

// Resource paths of the licence texts.
QString qtLicenseResource();      // depends on the Qt major version
QString qwtLicenseResource();
QString kissFFTLicenseResource();
// Whole content of a resource file read as text (empty when missing).
QString readLicenseText(const QString &resource);
// "LGPL v2.1" for Qt 4, "LGPL v3" for later Qt versions.
QString qtLicenseName();

// Common body: title, text box, right-aligned "Ok" button.
class ov9174fp_licenseViewer : public QDialog
{
    Q_OBJECT

public:
    ov9174fp_licenseViewer(const QString &title, const QString &resource, QWidget *parent);
    QPlainTextEdit *textBox() const { return text; }

private:
    QPlainTextEdit *text = nullptr;
};

class qtLicense : public ov9174fp_licenseViewer
{
    Q_OBJECT

public:
    explicit qtLicense(QWidget *parent = nullptr);
};

class qwtLicense : public ov9174fp_licenseViewer
{
    Q_OBJECT

public:
    explicit qwtLicense(QWidget *parent = nullptr);
};

class kissFFTLicense : public ov9174fp_licenseViewer
{
    Q_OBJECT

public:
    explicit kissFFTLicense(QWidget *parent = nullptr);
};

#endif
