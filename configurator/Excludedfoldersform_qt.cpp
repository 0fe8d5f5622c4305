// The excluded-folders editor: the folder set, the filtered check list, and
// the add, replace, delete and browse actions.
#include "Excludedfoldersform.h"


#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "Configuratorresources.h"
#include "SysUtils.hpp"
#include "Userdialogs.h"

namespace twsconfigurator {

TfrmExcludedFolders::TfrmExcludedFolders(QWidget* parent) : TfrmExcludedFolders(*new TExcludedFoldersModel, parent)
{
    FOwnModel.reset(FModel);
}

TfrmExcludedFolders::TfrmExcludedFolders(TExcludedFoldersModel& model, QWidget* parent)
    : QWidget(parent), FModel(&model)
{
    resize(544, 287);
    Label2 = new QLabel("Selected items indicate sub-folders are included:", this);
    chklstExcludedFolders = new QListWidget(this);
    chklstExcludedFolders->setObjectName("chklstExcludedFolders");
    edtFolderPath = new QLineEdit(this);
    edtFolderPath->setObjectName("edtFolderPath");
    btnFolderPath = new QToolButton(this);
    btnFolderPath->setText("...");
    btnFolderPath->setToolTip("Browse for a folder");
    btnReplace = new QPushButton("Replace", this);
    btnAdd = new QPushButton("Add", this);
    btnDelete = new QPushButton("Delete", this);
    Label1 = new QLabel("Hidden Items:", this);
    lblHiddenCount = new QLabel(this);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(edtFolderPath, 1);
    pathRow->addWidget(btnFolderPath);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Label1);
    buttons->addWidget(lblHiddenCount);
    buttons->addStretch(1);
    buttons->addWidget(btnReplace);
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDelete);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    layout->addWidget(chklstExcludedFolders, 1);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);

    connect(chklstExcludedFolders, &QListWidget::itemClicked, this, [this] { chklstExcludedFoldersClick(); });
    connect(chklstExcludedFolders, &QListWidget::currentRowChanged, this,
            [this] { chklstExcludedFoldersClick(); });
    connect(chklstExcludedFolders, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { chklstExcludedFoldersClickCheck(item); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnReplace, &QPushButton::clicked, this, [this] { btnReplaceClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnFolderPath, &QToolButton::clicked, this, [this] { btnFolderPathClick(); });
    chklstExcludedFolders->installEventFilter(this);
    LoadGlyphs();
}

void TfrmExcludedFolders::LoadGlyphs()
{
    const TConfiguratorResources& resources = ConfiguratorResources();
    resources.SetGlyph(btnFolderPath, "ACT_FLDR_SRCH");
    resources.SetGlyph(btnAdd, "ACT_REC_ADD");
    resources.SetGlyph(btnReplace, "ACT_REC_EDIT");
    resources.SetGlyph(btnDelete, "ACT_REC_DEL");
}

bool TfrmExcludedFolders::eventFilter(QObject* watched, QEvent* event)
{
    // Delete in the list deletes the selected folder, as its button does.
    if (watched == chklstExcludedFolders && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        btnDeleteClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int TfrmExcludedFolders::AddFolder(const AnsiString& path, bool withSubFolders)
{
    FModel->Put(path, withSubFolders ? TSubFolders::With : TSubFolders::Without);
    const int row = ShowFolder(path, withSubFolders);
    // A folder the filter hides is counted at once, not at the next rebuild.
    if (row < 0)
        UpdateHiddenCount();
    return row;
}

std::vector<std::pair<AnsiString, bool>> TfrmExcludedFolders::GetFolders() const { return FModel->Folders(); }

void TfrmExcludedFolders::SetVolumeRoots(const std::deque<AnsiString>& roots) { FModel->SetVolumeRoots(roots); }

void TfrmExcludedFolders::SetVolumeFilter(const AnsiString& root)
{
    FModel->SetVolumeFilter(root);
    RebuildList();
}

void TfrmExcludedFolders::SetHideFiltered(bool hide)
{
    FModel->SetHideFiltered(hide ? THideFiltered::Hide : THideFiltered::Grey);
    RebuildList();
}

int TfrmExcludedFolders::SortedPosition(const QString& text) const
{
    // The list sorts as the model's rows do (ReadsBefore).
    const AnsiString path = text.toStdString();
    int row = 0;
    while (row < chklstExcludedFolders->count() &&
           !ReadsBefore(path, chklstExcludedFolders->item(row)->text().toStdString()))
        ++row;
    return row;
}

int TfrmExcludedFolders::ShowFolder(const AnsiString& path, bool withSubFolders)
{
    if (!FModel->Listed(path))
        return -1;
    const bool filtered = FModel->OtherVolume(path);
    FFilling = true;
    const QString text = QString::fromStdString(path);
    // Overwriting a folder already listed replaces its entry.
    for (int row = 0; row < chklstExcludedFolders->count(); ++row)
        if (chklstExcludedFolders->item(row)->text() == text) {
            delete chklstExcludedFolders->takeItem(row);
            break;
        }
    auto* item = new QListWidgetItem(text);
    // A folder of another volume is greyed and its check mark fixed, yet it
    // can still be selected to be replaced or deleted.
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (filtered)
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    else
        flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    item->setCheckState(withSubFolders ? Qt::Checked : Qt::Unchecked);
    const int row = SortedPosition(text);
    chklstExcludedFolders->insertItem(row, item);
    FFilling = false;
    return row;
}

void TfrmExcludedFolders::RebuildList()
{
    FFilling = true;
    chklstExcludedFolders->clear();
    FFilling = false;
    for (const TFolderRow& row : FModel->Rows())
        ShowFolder(row.Path, row.WithSubFolders);
    UpdateHiddenCount();
    update();
}

void TfrmExcludedFolders::UpdateHiddenCount()
{
    lblHiddenCount->setText(QString::number(FModel->HiddenCount()));
}

void TfrmExcludedFolders::SelectRow(int row)
{
    FFilling = true;
    chklstExcludedFolders->setCurrentRow(row);
    FFilling = false;
}

void TfrmExcludedFolders::Modified()
{
    if (OnModified)
        OnModified(this);
}

bool TfrmExcludedFolders::AcceptTypedPath(TEdit edit)
{
    const AnsiString path = edtFolderPath->text().toStdString();
    if (path.empty() || (edit == TEdit::Replace && chklstExcludedFolders->currentItem() == nullptr))
        return false;
    const TFolderRefusal refusal = FModel->CheckNew(path);
    if (refusal == TFolderRefusal::None)
        return true;
    const TRefusalText text = RefusalText(refusal);
    UserDialogs().MessageBox(this, text.Text, text.Caption, TBoxIcon::Error, TBoxButtons::Ok, TBoxAnswer::Ok);
    return false;
}

void TfrmExcludedFolders::chklstExcludedFoldersClick()
{
    if (FFilling)
        return;
    if (QListWidgetItem* item = chklstExcludedFolders->currentItem())
        edtFolderPath->setText(item->text());
}

void TfrmExcludedFolders::chklstExcludedFoldersClickCheck(QListWidgetItem* item)
{
    if (FFilling || item == nullptr)
        return;
    if (FModel->SetSubFolders(item->text().toStdString(),
                              item->checkState() == Qt::Checked ? TSubFolders::With : TSubFolders::Without))
        Modified();
}

void TfrmExcludedFolders::btnAddClick()
{
    if (!AcceptTypedPath(TEdit::Add))
        return;
    const int row = AddFolder(edtFolderPath->text().toStdString(), true);
    if (row >= 0)
        SelectRow(row);
    Modified();
}

void TfrmExcludedFolders::btnReplaceClick()
{
    if (!AcceptTypedPath(TEdit::Replace))
        return;
    QListWidgetItem* item = chklstExcludedFolders->currentItem();
    const AnsiString path = edtFolderPath->text().toStdString();
    FModel->Rename(item->text().toStdString(), path);
    // The entry keeps its place until the list is rebuilt.
    FFilling = true;
    item->setText(QString::fromStdString(path));
    FFilling = false;
    Modified();
}

void TfrmExcludedFolders::btnDeleteClick()
{
    const int row = chklstExcludedFolders->currentRow();
    if (row < 0)
        return;
    FFilling = true;
    QListWidgetItem* item = chklstExcludedFolders->takeItem(row);
    FFilling = false;
    FModel->Remove(item->text().toStdString());
    delete item;
    const int count = chklstExcludedFolders->count();
    if (count > 0)
        SelectRow(row < count ? row : count - 1);
    Modified();
}

void TfrmExcludedFolders::btnFolderPathClick()
{
    AnsiString path = edtFolderPath->text().toStdString();
    if (UserDialogs().SelectFolder(this, path))
        edtFolderPath->setText(QString::fromStdString(path));
}

}  // namespace twsconfigurator
