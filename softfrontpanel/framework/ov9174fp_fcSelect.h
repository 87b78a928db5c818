// The selection of the function card: the connection question (auto find,
// demo mode, descriptor entry), the search over all VISA instrument
// resources, the list of found carriers and cards, and the opening of the
// chosen card. The dialog carries the result of the whole connection step.
#ifndef OV9174FP_FCSELECT_H
#define OV9174FP_FCSELECT_H

#include "ov9174fp_resourceInfo.h"
#include "visa.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QVector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ov9174fp_genFC;

class ov9174fp_fcSelect : public QDialog
{
    Q_OBJECT

public:
    static constexpr int maxCards = 256;

    // With `cardCount` not 0 the list allows choosing several cards.
    ov9174fp_fcSelect(ov9174fp_genFC *descriptor, int cardCount, QWidget *parent = nullptr);
    ~ov9174fp_fcSelect() override;

    // Asks how to connect and runs the chosen way until a session is open
    // or demo mode is chosen (1), or the user gives up (0).
    int runConnectionDialog();
    // Searches all VISA instrument resources, fills the list and returns the
    // number of supported cards found (0 on any VISA failure).
    virtual int searchCards();

    // Fills the list from identified resources in the given order; returns
    // the number of supported cards (at most 256). Used by searchCards().
    int fillTree(const QVector<ov9174fp_resourceRecord> &records);

    QTreeWidget *treeWidget() const { return tree; }
    QPushButton *okPushButton() const { return okButton; }
    QPushButton *cancelPushButton() const { return cancelButton; }

    ov9174fp_genFC *fc = nullptr;
    int selectedCount = 1;
    QList<QTreeWidgetItem *> selectedItems;
    QString descriptorText;              // the chosen card's resource; several joined by ","
    ViUInt16 fcNumbers[maxCards] = {};   // position of each chosen card; entry 0 is opened
    int demoFlag = 0;                    // 1 when "Run In Demo Mode" was chosen
    ViSession session = 0;               // the opened function card's session

public slots:
    void okPressed();
    void dblClick(QTreeWidgetItem *item);

private:
    enum class Way { AutoFind, Demo, EnterAddress, Cancel };
    Way askHowToConnect();
    int askNoCardFound(); // 0 try again, 1 demo mode, 2 cancel
    bool askUnavailable(ViStatus status); // true: try again
    bool enterAddress(); // false when the entry was cancelled
    void chooseDemoMode();

    QTreeWidget *tree = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};

#endif
