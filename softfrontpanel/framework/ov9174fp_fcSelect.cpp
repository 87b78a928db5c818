#include "ov9174fp_fcSelect.h"

#include "ov7931Demo_hwaccess.h"
#include "ov9174.h"
#include "ov9174fp_app.h"
#include "ov9174fp_descriptorOrder.h"
#include "ov9174fp_fcEnterAddress.h"
#include "ov9174fp_fcIcon.h"
#include "ov9174fp_genFC.h"
#include "ov9174fp_resourceInfo.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThreadPool>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

QString modelNumber() { return QStringLiteral("%1").arg(0x7931, 4, 16, QChar(QLatin1Char(' '))); }

QString questionTitle() { return QStringLiteral("Keltri 7931 Demo Select:"); }

const char *const chooseCardHint = "Select one available function card and then click \"OK\" \n"
                                   "or click \"Cancel\" to quit";

bool isSelectable(const QTreeWidgetItem *item) { return item && (item->flags() & Qt::ItemIsSelectable); }

} // namespace

ov9174fp_fcSelect::ov9174fp_fcSelect(ov9174fp_genFC *descriptor, int cardCount, QWidget *parent)
    : QDialog(parent), fc(descriptor)
{
    setWindowTitle(QStringLiteral("Keltri ") + modelNumber() + QStringLiteral(" SFP: Select Function Card"));
    setWindowIcon(ov9174fp_fcWindowIcon());

    const int h = fontMetrics().height();
    auto *layout = new QVBoxLayout(this);
    tree = new QTreeWidget(this);
    tree->setColumnCount(2);
    tree->setHeaderLabels({QStringLiteral("System"), QStringLiteral("FC Model")});
    tree->setMinimumWidth(24 * h);
    tree->setMinimumHeight(24 * h);
    tree->setSelectionMode(cardCount != 0 ? QAbstractItemView::ExtendedSelection
                                          : QAbstractItemView::SingleSelection);
    layout->addWidget(tree);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &ov9174fp_fcSelect::okPressed);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(tree, &QTreeWidget::itemDoubleClicked, this, &ov9174fp_fcSelect::dblClick);

    adjustSize();
}

ov9174fp_fcSelect::~ov9174fp_fcSelect() = default;

// ---- the connection question -------------------------------------------------

ov9174fp_fcSelect::Way ov9174fp_fcSelect::askHowToConnect()
{
    QMessageBox box(QMessageBox::Question, questionTitle(),
                    QStringLiteral("How to connect to %1 Signal Conditioning Card?").arg(modelNumber()),
                    QMessageBox::NoButton, nullptr);
    box.setWindowIcon(ov9174fp_fcWindowIcon());
    QPushButton *autoFind = box.addButton(QStringLiteral("Auto Find"), QMessageBox::ActionRole);
    QPushButton *demo = box.addButton(QStringLiteral("Run In Demo Mode"), QMessageBox::ActionRole);
    QPushButton *enter = box.addButton(QStringLiteral("Enter Address"), QMessageBox::ActionRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(autoFind);
    box.setEscapeButton(cancel);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked == autoFind)
        return Way::AutoFind;
    if (clicked == demo)
        return Way::Demo;
    if (clicked == enter)
        return Way::EnterAddress;
    return Way::Cancel;
}

int ov9174fp_fcSelect::askNoCardFound()
{
    QMessageBox box(QMessageBox::Question, questionTitle(),
                    QStringLiteral("No %1 Function Card found on your system.").arg(modelNumber()),
                    QMessageBox::NoButton, nullptr);
    box.setWindowIcon(ov9174fp_fcWindowIcon());
    QPushButton *tryAgain = box.addButton(QStringLiteral("Try Again"), QMessageBox::AcceptRole);
    QPushButton *demo = box.addButton(QStringLiteral("Run In Demo Mode"), QMessageBox::ActionRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(tryAgain);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == tryAgain)
        return 0;
    if (box.clickedButton() == demo)
        return 1;
    return 2;
}

bool ov9174fp_fcSelect::askUnavailable(ViStatus status)
{
    ViChar message[1024];
    std::memset(message, 0, sizeof message);
    blockedHardwareAccess2(ov9174_statusMessage, status, message);
    QMessageBox box(QMessageBox::Question, questionTitle(),
                    QStringLiteral("Selected %1 function card is unavailable.\nError: %2")
                        .arg(modelNumber(), ov9174fp_bufferText(message, sizeof message)),
                    QMessageBox::NoButton, nullptr);
    box.setWindowIcon(ov9174fp_fcWindowIcon());
    QPushButton *tryAgain = box.addButton(QStringLiteral("Try Again"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(tryAgain);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == tryAgain;
}

void ov9174fp_fcSelect::chooseDemoMode()
{
    demoFlag = 1;
    fcNumbers[0] = 1;
    descriptorText = QStringLiteral("VXI0::1::INSTR");
    selectedCount = 1;
}

bool ov9174fp_fcSelect::enterAddress()
{
    ov9174fp_fcEnterAddress entry;
    entry.setWindowIcon(windowIcon());
    for (;;) {
        entry.loadDefaults();
        ov9174fp_app::centreWindow(&entry);
        if (entry.exec() != QDialog::Accepted)
            return false;
        descriptorText = entry.takeDescriptor();
        if (descriptorText.isEmpty())
            ov9174fp_app::warningMessage(QStringLiteral("You have not entered Instrument Descriptor"));
        entry.storeCardNumber();
        const int card = entry.cardNumberBox()->currentIndex();
        fcNumbers[0] = ViUInt16(card > 0 ? card : 0);
        if (card <= 0)
            ov9174fp_app::warningMessage(QStringLiteral("You have not selected any function card number"));
        if (!descriptorText.isEmpty() && card > 0)
            break;
    }
    selectedCount = 1;
    return true;
}

int ov9174fp_fcSelect::runConnectionDialog()
{
    for (;;) {
        Way way = askHowToConnect();
        if (way == Way::AutoFind) {
            const int found = searchCards();
            if (found > 1) {
                ov9174fp_app::centreWindow(this);
                if (exec() != QDialog::Accepted)
                    return 0;
            } else if (found == 0) {
                const int answer = askNoCardFound();
                if (answer == 0)
                    continue;
                if (answer == 2)
                    return 0;
                way = Way::Demo;
            } else {
                selectedCount = 1;
            }
        } else if (way == Way::EnterAddress) {
            if (!enterAddress())
                return 0;
        }
        if (way == Way::Demo) {
            chooseDemoMode();
            return 1;
        }
        if (way == Way::Cancel)
            return 0;

        // Open the chosen card through the instrument's descriptor object
        // (which guards its own driver call).
        ViStatus status = VI_ERROR_INV_OBJECT;
        if (fc) {
            const QByteArray descriptor = descriptorText.toLatin1();
            status = fc->openSession(descriptor.constData(), &fcNumbers[0], 1, 1, &session);
        }
        if (status == VI_SUCCESS)
            return 1;
        session = 0;
        if (!askUnavailable(status))
            return 0;
    }
}

// ---- the search ---------------------------------------------------------------------

int ov9174fp_fcSelect::searchCards()
{
    tree->clear();
    selectedItems.clear();

    ViSession manager = 0;
    if (blockedHardwareAccess1(viOpenDefaultRM, &manager) < 0) {
        if (manager)
            blockedHardwareAccess1(viClose, manager);
        return 0;
    }
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN];
    std::memset(name, 0, sizeof name);
    if (blockedHardwareAccess5(viFindRsrc, manager, "?*INSTR", &list, &count, name) < 0) {
        blockedHardwareAccess1(viClose, manager);
        return 0;
    }
    if (count == 0) {
        blockedHardwareAccess1(viClose, list);
        blockedHardwareAccess1(viClose, manager);
        return 0;
    }

    QVector<getResourceInfo_params_t> work;
    work.reserve(int(qMin<ViUInt32>(count, 4096)));
    for (ViUInt32 i = 0; i < count; ++i) {
        if (i > 0) {
            std::memset(name, 0, sizeof name);
            if (blockedHardwareAccess2(viFindNext, list, name) < 0)
                break;
        }
        getResourceInfo_params_t item;
        item.fc = fc;
        item.defaultRM = manager;
        item.record.resourceName = ov9174fp_bufferText(name, sizeof name);
        work.append(item);
    }

    // Identify the resources one after another on the global pool while the
    // GUI thread shows the progress.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    {
        QProgressDialog progress(QStringLiteral("Searching..."), QStringLiteral("Cancel"), 0, 0, this);
        progress.setWindowTitle(QStringLiteral("Keltri 7931"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setModal(true);
        QFutureWatcher<void> watcher;
        connect(&watcher, &QFutureWatcher<void>::progressRangeChanged, &progress, &QProgressDialog::setRange);
        connect(&watcher, &QFutureWatcher<void>::progressValueChanged, &progress, &QProgressDialog::setValue);
        connect(&watcher, &QFutureWatcher<void>::finished, &progress, &QProgressDialog::reset);
        watcher.setFuture(QtConcurrent::map(work, getResourceInfo));
        if (!watcher.isFinished())
            progress.exec();
        watcher.waitForFinished();
    }

    QVector<ov9174fp_resourceRecord> records;
    records.reserve(work.size());
    for (const getResourceInfo_params_t &item : qAsConst(work))
        records.append(item.record);
    // A stable sort stays well-behaved whatever the names look like.
    std::stable_sort(records.begin(), records.end(),
                     [](const ov9174fp_resourceRecord &a, const ov9174fp_resourceRecord &b) {
                         return ov9174fp_descriptorLessThan(a.resourceName, b.resourceName);
                     });

    const int found = fillTree(records);

    blockedHardwareAccess1(viClose, list);
    blockedHardwareAccess1(viClose, manager);
    return found;
}

int ov9174fp_fcSelect::fillTree(const QVector<ov9174fp_resourceRecord> &records)
{
    tree->clear();
    int found = 0;
    QString previousSystem;
    QTreeWidgetItem *systemRow = nullptr;
    const Qt::ItemFlags groupFlags = Qt::ItemIsEnabled;
    bool full = false;

    for (const ov9174fp_resourceRecord &record : records) {
        if (full)
            break;
        const QString system = record.resourceName.section(QLatin1Char(':'), 0, 0);
        if (!systemRow || system != previousSystem) {
            systemRow = new QTreeWidgetItem(tree, QStringList(system));
            systemRow->setFlags(groupFlags);
            systemRow->setExpanded(true);
            previousSystem = system;
        }
        if (record.carrierTexts.isEmpty())
            continue;
        auto *carrierRow = new QTreeWidgetItem(systemRow, QStringList(record.carrierTexts.first()));
        carrierRow->setFlags(groupFlags);
        bool carrierHasSupported = false;

        for (int c = 0; c < record.cards.size(); ++c) {
            const int supported = c < record.supported.size() ? record.supported.at(c) : 0;
            if (supported != 0 && found >= maxCards) {
                QMessageBox box(QMessageBox::Question, windowTitle(),
                                QStringLiteral("Found more Function Cards than supported by this SoftFrontPanel. "
                                               "Only first %1 are available.\nPlease contact Orvane's support if "
                                               "you need support for more cards.")
                                    .arg(maxCards),
                                QMessageBox::NoButton, QApplication::activeWindow());
                box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
                box.exec();
                full = true;
                break;
            }
            auto *cardRow = new QTreeWidgetItem(carrierRow, {record.cards.at(c).first, record.cards.at(c).second});
            cardRow->setData(0, Qt::StatusTipRole, supported);
            cardRow->setData(1, Qt::StatusTipRole, record.resourceName);
            if (supported != 0) {
                cardRow->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                descriptorText = record.resourceName;
                fcNumbers[0] = ViUInt16(supported);
                ++found;
                carrierHasSupported = true;
            } else {
                cardRow->setFlags(Qt::NoItemFlags);
            }
        }
        carrierRow->setExpanded(carrierHasSupported);
    }

    // Keyboard focus starts on the first card that can be chosen, without
    // choosing it.
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (isSelectable(*it)) {
            tree->setCurrentItem(*it, 0, QItemSelectionModel::NoUpdate);
            break;
        }
    }
    tree->resizeColumnToContents(0);
    tree->resizeColumnToContents(1);
    return found;
}

// ---- the list's buttons ------------------------------------------------------------

void ov9174fp_fcSelect::okPressed()
{
    const QList<QTreeWidgetItem *> rows = tree->selectedItems();
    if (rows.isEmpty())
        return;
    selectedItems = rows;
    descriptorText.clear();
    for (int i = 0; i < rows.size() && i < maxCards; ++i) {
        QTreeWidgetItem *row = rows.at(i);
        if (!isSelectable(row)) {
            qDebug().noquote() << chooseCardHint;
            return;
        }
        fcNumbers[i] = ViUInt16(row->data(0, Qt::StatusTipRole).toInt());
        descriptorText += row->data(1, Qt::StatusTipRole).toString();
        if (i == rows.size() - 1 || i == maxCards - 1) {
            selectedCount = i + 1;
            accept();
            return;
        }
        descriptorText += QLatin1Char(',');
    }
}

void ov9174fp_fcSelect::dblClick(QTreeWidgetItem *item)
{
    if (!isSelectable(item))
        return;
    QTreeWidgetItem *current = tree->currentItem();
    if (!isSelectable(current)) {
        qDebug().noquote() << chooseCardHint;
        return;
    }
    fcNumbers[0] = ViUInt16(current->data(0, Qt::StatusTipRole).toInt());
    descriptorText = current->data(1, Qt::StatusTipRole).toString();
    selectedItems = {current};
    selectedCount = 1;
    accept();
}
