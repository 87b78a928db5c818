// The panel's About box: product line and copyright, the credited
// third-party libraries with links to their licence texts, the software
// revisions and a paged view of the identity of every card in the session.
//
// Life cycle: the connection layer creates it once, hidden, with the main
// window as parent, stores it with ov9174fp_app::setAboutBox() and connects
// the panel's About button to show(). The application object then registers
// the identities: addHardwareInfo() once per card (conditioning card first,
// then the digitizer), then addSoftwareRevision() for every further card's
// software page. "OK" only hides the box.
//
// Paging: hardware pages 0 .. n-1, one per addHardwareInfo(). Software page
// 0 is the one given at construction; page p of the hardware shows software
// page k = 0 when p < softwareOffset, else p - softwareOffset + 1.
#ifndef OV9174FP_ABOUT_H
#define OV9174FP_ABOUT_H

#include <QDialog>
#include <QString>
#include <QStringList>

class QFormLayout;
class QLabel;
class QPushButton;
class ov9174fp_genFC;

class ov9174fp_About : public QDialog
{
    Q_OBJECT

public:
    // panelVersion: the soft front panel's version ("Soft Front Panel:").
    // driverRevision: the instrument driver's revision ("Instrument Driver:").
    // model: the model text of the title, for example "7931".
    // copyright: the maker's one-line copyright notice.
    // softwareOffset: the number of function cards selected in the
    //   connection step; hardware pages below it share software page 0.
    // qwtVersion: when empty, the Qwt row is left out; otherwise the row
    //   shows the version of the Qwt library actually linked.
    // flag: reserved, no effect.
    ov9174fp_About(const QString &panelVersion, const QString &driverRevision, const QString &model,
                   const QString &copyright, QWidget *parent, int softwareOffset, const QString &qwtVersion,
                   bool flag = false);
    // The same, with the texts taken from the function-card descriptor
    // (panelVersion(), driverRevision(), copyright()).
    ov9174fp_About(ov9174fp_genFC *descriptor, const QString &model, QWidget *parent, int softwareOffset,
                   const QString &qwtVersion, bool flag = false);
    ~ov9174fp_About() override;

    // Appends one hardware page (one card). The first page fills the rows
    // "Device Model:", "Revision:", "Serial Number:"; a second page makes
    // "< Previous" and "Next >" visible.
    void addHardwareInfo(const QString &serial, const QString &revision, const QString &model);
    // Appends one software page: instrument driver revision, panel version.
    void addSoftwareRevision(const QString &driverRevision, const QString &panelVersion);

    // Read-only views, for the owner and for tests.
    int currentPage() const { return page; }
    int hardwarePageCount() const { return deviceModels.size(); }
    int softwarePageCount() const { return driverRevisions.size(); }
    QString shownCommonLibraryRevision() const;
    QString shownDriverRevision() const;
    QString shownPanelVersion() const;
    QString shownDeviceModel() const;
    QString shownRevision() const;
    QString shownSerialNumber() const;
    QPushButton *nextButton() const { return nextPushButton; }
    QPushButton *previousButton() const { return prevPushButton; }

public slots:
    void next();
    void prev();

private slots:
    void showKissFFTLicense();
    void showQtLicense();
    void showQwtLicense();
    void openLicensesWebPage();

private:
    void build(const QString &panelVersion, const QString &driverRevision, const QString &model,
               const QString &copyright, const QString &qwtVersion);
    void showPage();

    qint32 page = 0;
    qint32 softwareOffset = 1;
    QFormLayout *softwareForm = nullptr;
    QFormLayout *hardwareForm = nullptr;
    QLabel *commonLibraryLabel = nullptr;
    QLabel *driverLabel = nullptr;
    QLabel *panelLabel = nullptr;
    QLabel *deviceModelLabel = nullptr;
    QLabel *revisionLabel = nullptr;
    QLabel *serialNumberLabel = nullptr;
    QPushButton *nextPushButton = nullptr;
    QPushButton *prevPushButton = nullptr;
    QStringList driverRevisions;
    QStringList panelVersions;
    QStringList deviceModels;
    QStringList revisions;
    QStringList serialNumbers;
};

#endif
