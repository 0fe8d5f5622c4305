// TfrmHistory: the recorded runs, and undoing one of them.
#include "Historyform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Main.h"
#include "Wizardruns.h"

namespace {

enum TColumn { colRun, colVolume, colRemoved, colInTrash, colCount };

}  // namespace

TfrmHistory::TfrmHistory(QWidget* parent, TMessage message) : QDialog(parent), FMessage(std::move(message))
{
    setObjectName("frmHistory");
    setWindowTitle(twswizard::kHistoryTitle);
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
    const twswizard::THistory history = twswizard::ReadHistory();
    lblRuns->setText(QString::fromStdString(history.Heading));
    for (const twswizard::THistoryRow& row : history.Rows) {
        auto* item = new QTreeWidgetItem(lvRuns);
        item->setText(colRun, QString::fromStdString(row.Id));
        item->setData(colRun, Qt::UserRole, QString::fromStdString(row.Id));
        item->setText(colVolume, QString::fromStdString(row.Volume));
        item->setText(colRemoved, QString::fromStdString(row.Removed));
        item->setText(colInTrash, QString::fromStdString(row.InTrash));
        if (!row.Undoable)
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
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
        const cleanuphost::TUndoCounts counts = twswizard::UndoRecordedRun(id);
        if (FMessage)
            FMessage(counts.NotRestored > 0 ? TMessageKind::Warning : TMessageKind::Information,
                     twswizard::kUndoCaption, QString::fromStdString(twswizard::HistoryUndoMessage(id, counts)));
    } catch (const std::exception& e) {
        if (FMessage)
            FMessage(TMessageKind::Error, twswizard::kUndoCaption, QString::fromUtf8(e.what()));
    }
    Reload();
}
