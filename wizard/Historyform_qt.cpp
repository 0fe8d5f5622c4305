// TfrmHistory: the recorded runs, and undoing one of them.
#include "Historyform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Main.h"
#include "Runrecord.h"

namespace {

enum TColumn { colRun, colVolume, colRemoved, colInTrash, colCount };

}  // namespace

cleanuphost::TUndoCounts UndoRecordedRun(const std::string& id)
{
    const twsplatform::TStateLock lock = cleanuphost::LockRun(id);
    nlohmann::json run = cleanuphost::LoadRun(id);
    const cleanuphost::TUndoCounts counts = cleanuphost::UndoRun(run, nullptr);
    cleanuphost::StoreRun(id, run);
    return counts;
}

TfrmHistory::TfrmHistory(QWidget* parent, TMessage message) : QDialog(parent), FMessage(std::move(message))
{
    setObjectName("frmHistory");
    setWindowTitle("Purge History");
    lblRuns = new QLabel;
    lblRuns->setObjectName("lblRuns");
    lblRuns->setWordWrap(true);
    lvRuns = new QTreeWidget;
    lvRuns->setObjectName("lvRuns");
    lvRuns->setColumnCount(colCount);
    lvRuns->setHeaderLabels({"Run", "Volume", "Removed", "In the trash"});
    lvRuns->setRootIsDecorated(false);
    lvRuns->setSelectionMode(QAbstractItemView::SingleSelection);
    lvRuns->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    btnUndo = new QPushButton("Undo");
    btnUndo->setObjectName("btnUndo");
    btnClose = new QPushButton("Close");
    btnClose->setObjectName("btnClose");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnUndo);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblRuns);
    layout->addWidget(lvRuns, 1);
    layout->addLayout(buttons);
    connect(btnUndo, &QPushButton::clicked, this, [this] { btnUndoClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lvRuns, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    resize(560, 300);
    Reload();
}

void TfrmHistory::Reload()
{
    lvRuns->clear();
    std::vector<std::string> ids;
    try {
        ids = cleanuphost::ListRuns();
        lblRuns->setText(ids.empty() ? "No purge recorded yet."
                                     : "Pick a run to put its files back from the trash.");
    } catch (const std::exception& e) {
        lblRuns->setText("The purge history cannot be read: " + QString::fromUtf8(e.what()));
    }
    // The newest first: the run a person most likely wants back.
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        auto* item = new QTreeWidgetItem(lvRuns);
        item->setText(colRun, QString::fromStdString(*id));
        item->setData(colRun, Qt::UserRole, QString::fromStdString(*id));
        try {
            nlohmann::json run = cleanuphost::LoadRun(*id);
            const nlohmann::json& removed = run["summary"]["removed"];
            item->setText(colVolume, QString::fromStdString(run.value("volume", "")));
            item->setText(colRemoved, QString("%1 (%2)")
                                          .arg(removed.value("files", 0LL))
                                          .arg(ByteDisplay(removed.value("bytes", 0ULL))));
            const std::size_t inTrash = cleanuphost::TrashedFiles(run).size();
            item->setText(colInTrash, inTrash > 0 ? QString("%1 file%2").arg(inTrash).arg(inTrash == 1 ? "" : "s")
                                                  : QString("nothing"));
            if (inTrash == 0)
                item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        } catch (const std::exception& e) {
            // A damaged record is listed with its reason, never undone.
            item->setText(colVolume, "(" + QString::fromUtf8(e.what()) + ")");
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        }
    }
    UpdateButtons();
}

std::string TfrmHistory::SelectedRun() const
{
    const QList<QTreeWidgetItem*> selected = lvRuns->selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->data(colRun, Qt::UserRole).toString().toStdString();
}

void TfrmHistory::UpdateButtons() { btnUndo->setEnabled(!SelectedRun().empty()); }

void TfrmHistory::btnUndoClick()
{
    const std::string id = SelectedRun();
    if (id.empty())
        return;
    try {
        const cleanuphost::TUndoCounts counts = UndoRecordedRun(id);
        if (FMessage)
            FMessage(counts.NotRestored > 0 ? TMessageKind::Warning : TMessageKind::Information, "Undo",
                     QString("Run %1: restored %2 file(s) from the trash.\nNot restored: %3.")
                         .arg(QString::fromStdString(id))
                         .arg(counts.Restored)
                         .arg(counts.NotRestored));
    } catch (const std::exception& e) {
        if (FMessage)
            FMessage(TMessageKind::Error, "Undo", QString::fromUtf8(e.what()));
    }
    Reload();
}
