#include "Filedetailsform.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "Folderdepth.h"
#include "Forms.hpp"
#include "Graphics.hpp"
#include "Htmlreport.h"
#include "SysUtils.hpp"
#include "Twsresname.h"
#include "Zellibutils.h"

namespace tidewash {

namespace {

const char* const AllMasks = "*.*";

// While a tree is built, every this many items the progress bar moves
// and pending events are processed: at the first such point, then again
// once kEventInterval has passed. A human sees no difference from every
// 10 items, but processing events is dear: done every 10 items it slowed
// a build of 100,000 results by a third.
constexpr int kItemsPerEventCheck = 10;
constexpr std::chrono::milliseconds kEventInterval{10};

// The hourglass for as long as it lives.
struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Lets the window paint and its timers run, while the user's input waits:
// nothing the user does can change the views being built.
void ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// The list's grid lines: each cell gets its lower and right edge drawn.
class TGridLinesDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

Qt::CheckState ToCheck(TNodeState s)
{
    switch (s) {
    case TNodeState::Checked:
        return Qt::Checked;
    case TNodeState::PartChecked:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

QString Q(const AnsiString& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

bool EnsureWidgetApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool displayless = platform.startsWith("offscreen") || platform.startsWith("minimal");
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!displayless && !display)
        return false;
    // Never destroyed: later windows need it, and at exit Qt's own
    // statics may be gone before any destructor of ours would run.
    static int argc = 1;
    static char name[] = "Tidewash";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return application != nullptr;
}

// ---- the list: one row per result of the current tab ------------------------

class TResultListModel : public QAbstractItemModel {
public:
    explicit TResultListModel(TfrmFileDetails& form) : FForm(form) {}

    std::vector<TViewItem*> Rows;
    bool FullPath = true;

    void Reset(std::vector<TViewItem*> rows)
    {
        beginResetModel();
        Rows = std::move(rows);
        endResetModel();
    }
    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, 3)); }
    void AllChanged()
    {
        if (!Rows.empty())
            emit dataChanged(index(0, 0), index(static_cast<int>(Rows.size()) - 1, 3));
    }
    void Reordered()
    {
        emit layoutAboutToBeChanged();
        emit layoutChanged();
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        if (parent.isValid() || row < 0 || row >= static_cast<int>(Rows.size()) || column < 0 || column > 3)
            return {};
        return createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(Rows.size());
    }
    int columnCount(const QModelIndex& = {}) const override { return 4; }

    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        static const char* const names[] = {"Name", "Size", "Created", "Last Modified"};
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return QString(names[section]);
        return {};
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const TViewItem* item = Rows[static_cast<std::size_t>(index.row())];
        const zelutils::TSearchResult& r = *item->Ref;
        switch (role) {
        case Qt::DisplayRole:
            switch (static_cast<TListColumn>(index.column())) {
            case TListColumn::Name: {
                // A file the settings keep says so where it is seen, not
                // only in a tool tip.
                const QString name = Q(FullPath ? r.GetFullName() : r.Name);
                const AnsiString kept = FForm.KeptReasonOf(item);
                return kept.empty() ? name : name + "  (" + Q(kept) + ")";
            }
            case TListColumn::Size:
                return QString::number(r.Size);
            case TListColumn::Created:
                return Q(DateTimeToStr(r.CreationTime));
            case TListColumn::Modified:
                return Q(DateTimeToStr(r.LastWriteTime));
            }
            return {};
        case Qt::CheckStateRole:
            if (index.column() == 0)
                return ToCheck(StateOf(FForm.Marked(item)));
            return {};
        case Qt::ToolTipRole: {
            const AnsiString reason = FForm.ReasonOf(item);
            return reason.empty() ? QVariant() : QVariant(Q(reason));
        }
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == 0)
            f |= Qt::ItemIsUserCheckable;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant&, int role) override
    {
        if (role != Qt::CheckStateRole || !index.isValid())
            return false;
        FForm.SyncOrToggle(Rows[static_cast<std::size_t>(index.row())], true);
        FForm.UpdateViewStatus();
        return true;
    }

private:
    TfrmFileDetails& FForm;
};

// ---- the tree: the volume, its folders and one leaf per listed result -------

class TResultTreeModel : public QAbstractItemModel {
public:
    struct TNode {
        int Parent = -1;
        int Row = 0;
        std::vector<int> Children;
        QString Text;
        TViewItem* Item = nullptr;  // null for folders and the root
        TNodeState State = TNodeState::Checked;
    };

    explicit TResultTreeModel(TfrmFileDetails& form) : FForm(form) {}

    std::vector<TNode> Nodes;  // 0 is the root

    void Reset(std::vector<TNode> nodes)
    {
        beginResetModel();
        Nodes = std::move(nodes);
        endResetModel();
    }
    QModelIndex IndexOf(int node) const { return createIndex(Nodes[static_cast<std::size_t>(node)].Row, 0, static_cast<quintptr>(node)); }
    static int NodeOf(const QModelIndex& index) { return index.isValid() ? static_cast<int>(index.internalId()) : -1; }
    void NodeChanged(int node)
    {
        const QModelIndex i = IndexOf(node);
        emit dataChanged(i, i, {Qt::CheckStateRole});
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        if (column != 0 || row < 0 || Nodes.empty())
            return {};
        if (!parent.isValid())
            return row == 0 ? createIndex(0, 0, quintptr(0)) : QModelIndex();
        const TNode& p = Nodes[parent.internalId()];
        if (row >= static_cast<int>(p.Children.size()))
            return {};
        return createIndex(row, 0, static_cast<quintptr>(p.Children[static_cast<std::size_t>(row)]));
    }
    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid() || child.internalId() == 0)
            return {};
        return IndexOf(Nodes[child.internalId()].Parent);
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        if (!parent.isValid())
            return Nodes.empty() ? 0 : 1;
        return static_cast<int>(Nodes[parent.internalId()].Children.size());
    }
    int columnCount(const QModelIndex& = {}) const override { return 1; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const TNode& n = Nodes[index.internalId()];
        switch (role) {
        case Qt::DisplayRole:
            if (n.Item != nullptr) {
                const AnsiString kept = FForm.KeptReasonOf(n.Item);
                if (!kept.empty())
                    return n.Text + "  (" + Q(kept) + ")";
            }
            return n.Text;
        case Qt::CheckStateRole:
            return ToCheck(n.State);
        case Qt::DecorationRole: {
            // Root 4, folders 0, files 2 (the selected images are for views
            // that draw selection into the glyph).
            const std::size_t image = index.internalId() == 0 ? 4 : (n.Item == nullptr ? 0 : 2);
            if (image < FForm.FNodeTypes.size())
                return FForm.FNodeTypes[image];
            return {};
        }
        case Qt::ToolTipRole:
            if (n.Item != nullptr) {
                const AnsiString reason = FForm.ReasonOf(n.Item);
                if (!reason.empty())
                    return Q(reason);
            }
            return {};
        default:
            return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex&) const override
    {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    }
    bool setData(const QModelIndex& index, const QVariant&, int role) override
    {
        if (role != Qt::CheckStateRole || !index.isValid())
            return false;
        FForm.TreeCheckClicked(NodeOf(index));
        return true;
    }

private:
    TfrmFileDetails& FForm;
};

// ---- the window -------------------------------------------------------------

TfrmFileDetails::TfrmFileDetails(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                                 const TFileReasons* reasons, const AnsiString& installationFolder)
    : FVolume(volume), FInstallationFolder(installationFolder), FSearcher(searcher), FSelection(selection),
      FReasons(reasons), FListModel(new TResultListModel(*this)), FTreeModel(new TResultTreeModel(*this))
{
    OpenWithShell = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    ChooseReportFile = [this](const QString& folder) {
        QFileDialog dialog(this, "Export to HTML", folder, "HTML Files (*.htm *.html);;All Files (*)");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // A name typed without an extension gets ".html".
        dialog.setDefaultSuffix("html");
        dialog.selectFile("FileSearch.html");
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    CreateComponents();
    LoadResources(installationFolder);
    // The root shows the volume from the start.
    std::vector<TResultTreeModel::TNode> nodes(1);
    nodes[0].Text = Q(FVolume);
    FTreeModel->Reset(std::move(nodes));
}

TfrmFileDetails::~TfrmFileDetails()
{
    // The views go before the models they show.
    delete tvResults;
    delete lvResults;
}

void TfrmFileDetails::CreateComponents()
{
    setObjectName("frmFileDetails");
    setWindowTitle("File Details & Options");
    resize(710, 604);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* menus = new QMenuBar(this);
    layout->setMenuBar(menus);
    QMenu* file = menus->addMenu("&File");
    actClose = file->addAction("Close", this, &QDialog::accept);
    QMenu* view = menus->addMenu("&View");
    SyncViews1 = view->addAction("&Sync Views", QKeySequence("Ctrl+V"), this, [this] { FSyncViews = SyncViews1->isChecked(); });
    SyncViews1->setCheckable(true);
    SyncViews1->setChecked(true);
    QMenu* selection = view->addMenu("Selection");
    actSelectAll = selection->addAction("Check All", QKeySequence("Ctrl+Alt+A"), this, [this] { SetAll(true); });
    actUnselectAll = selection->addAction("Uncheck All", QKeySequence("Ctrl+Alt+U"), this, [this] { SetAll(false); });
    QMenu* tree = view->addMenu("&Tree");
    FolderDepth1 = tree->addAction("Folder Depth...", QKeySequence("Ctrl+F"), this, [this] { ShowFolderDepthDialog(); });
    AutoExpand1 = tree->addAction("&Auto Expand", QKeySequence("Ctrl+E"), this, [] {});
    AutoExpand1->setCheckable(true);
    QMenu* detail = view->addMenu("&Detail");
    ShowFullPath1 = detail->addAction("&Show Full Path", QKeySequence("Ctrl+Alt+P"), this, [this] {
        FListModel->FullPath = ShowFullPath1->isChecked();
        FListModel->AllChanged();
    });
    ShowFullPath1->setCheckable(true);
    ShowFullPath1->setChecked(true);
    QMenu* reports = menus->addMenu("Reports");
    actExportSearchResults = reports->addAction("Export to HTML", QKeySequence("Ctrl+Alt+S"), this,
                                                [this] { ExportSearchResults(); });

    tcMain = new QTabBar;
    tcMain->setObjectName("tcMain");
    tcMain->addTab(AllMasks);
    layout->addWidget(tcMain);
    connect(tcMain, &QTabBar::currentChanged, this, [this] {
        if (FViewsBuilt)
            tcMainChange();
    });

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setHandleWidth(5);
    tvResults = new QTreeView;
    tvResults->setObjectName("tvResults");
    tvResults->setHeaderHidden(true);
    tvResults->setUniformRowHeights(true);
    tvResults->setIndentation(27);
    tvResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvResults->setContextMenuPolicy(Qt::CustomContextMenu);
    tvResults->setModel(FTreeModel.get());
    lvResults = new QTreeView;
    lvResults->setObjectName("lvResults");
    lvResults->setRootIsDecorated(false);
    lvResults->setUniformRowHeights(true);
    lvResults->setAllColumnsShowFocus(true);
    lvResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvResults->setContextMenuPolicy(Qt::CustomContextMenu);
    lvResults->setModel(FListModel.get());
    lvResults->setItemDelegate(new TGridLinesDelegate(lvResults));
    lvResults->header()->setSectionsClickable(true);
    lvResults->header()->setSortIndicatorShown(true);
    lvResults->header()->setSortIndicator(-1, Qt::AscendingOrder);
    const int widths[] = {350, 80, 120, 120};
    for (int c = 0; c < 4; ++c)
        lvResults->setColumnWidth(c, widths[c]);
    splitter->addWidget(tvResults);
    splitter->addWidget(lvResults);
    splitter->setSizes({340, 203});
    layout->addWidget(splitter, 1);
    tvResults->installEventFilter(this);
    lvResults->installEventFilter(this);

    connect(lvResults->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortList(static_cast<TListColumn>(section)); });
    connect(lvResults->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
        if (!i.isValid() || FUpdating)
            return;
        SyncOrToggle(FListModel->Rows[static_cast<std::size_t>(i.row())], false);
        UpdateViewStatus();
    });
    connect(tvResults->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i, const QModelIndex& previous) {
        // Auto expand: the selected node opens, the one left closes unless
        // it leads to the new one.
        if (AutoExpand1->isChecked() && i.isValid()) {
            bool leadsThere = false;
            for (QModelIndex p = i.parent(); p.isValid() && !leadsThere; p = p.parent())
                leadsThere = p == previous;
            if (previous.isValid() && !leadsThere)
                tvResults->collapse(previous);
            tvResults->expand(i);
        }
        // The list follows once the tree's selection has rested: walking
        // the tree with the arrow keys does not drag the list along.
        if (!FUpdating)
            tmrTreeChange->start();
    });
    tmrTreeChange = new QTimer(this);
    tmrTreeChange->setSingleShot(true);
    tmrTreeChange->setInterval(50);
    connect(tmrTreeChange, &QTimer::timeout, this, [this] {
        const int node = TResultTreeModel::NodeOf(tvResults->currentIndex());
        if (node < 0 || FUpdating || FTreeModel->Nodes[static_cast<std::size_t>(node)].Item == nullptr)
            return;
        SyncOrToggle(FTreeModel->Nodes[static_cast<std::size_t>(node)].Item, false);
        UpdateViewStatus();
    });

    auto* treeMenu = new QMenu(this);
    puiCopyLocationToClipboard = treeMenu->addAction("Copy Location To Clipboard", this, [this] { CopyTreeLocation(); });
    puiOpenSelectedFolder = treeMenu->addAction("Open Selected Folder", this, [this] { OpenSelectedFolder(); });
    puiOpenContainingFolder = treeMenu->addAction("Open Containing Folder", this, [this] { OpenContainingFolder(); });
    connect(tvResults, &QWidget::customContextMenuRequested, this, [this, treeMenu](const QPoint& pos) {
        // A right click selects the node under it first.
        const QModelIndex at = tvResults->indexAt(pos);
        if (at.isValid())
            tvResults->setCurrentIndex(at);
        FPopupNode = TResultTreeModel::NodeOf(tvResults->currentIndex());
        if (FPopupNode < 0)
            return;
        const bool isFile = FTreeModel->Nodes[static_cast<std::size_t>(FPopupNode)].Item != nullptr;
        puiOpenSelectedFolder->setVisible(!isFile);
        puiOpenContainingFolder->setVisible(isFile);
        treeMenu->popup(tvResults->viewport()->mapToGlobal(pos));
    });
    auto* listMenu = new QMenu(this);
    CopyLocationToClipboard1 = listMenu->addAction("Copy Location To Clipboard", this, [this] { CopyListLocation(); });
    connect(lvResults, &QWidget::customContextMenuRequested, this, [this, listMenu](const QPoint& pos) {
        listMenu->popup(lvResults->viewport()->mapToGlobal(pos));
    });

    auto* bottom = new QHBoxLayout;
    pbarBuildViewProgress = new QProgressBar;
    pbarBuildViewProgress->setRange(0, 100);
    pbarBuildViewProgress->hide();
    bottom->addWidget(pbarBuildViewProgress, 1);
    bottom->addStretch();
    btnOK = new QPushButton("OK");
    btnOK->setObjectName("btnOK");
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(btnOK);
    layout->addLayout(bottom);

    auto* sbarMain = new QStatusBar;
    sbarMain->setSizeGripEnabled(false);
    FStatus[0] = new QLabel;
    FStatus[0]->setMinimumWidth(340);
    FStatus[1] = new QLabel;
    sbarMain->addWidget(FStatus[0]);
    sbarMain->addWidget(FStatus[1], 1);
    layout->addWidget(sbarMain);

    tmrStartup = new QTimer(this);
    tmrStartup->setSingleShot(true);
    tmrStartup->setInterval(25);
    connect(tmrStartup, &QTimer::timeout, this, [this] { BuildViewsNow(); });
}

void TfrmFileDetails::LoadResources(const AnsiString& installationFolder)
{
    zelutils::TResourceLoader resources;
    if (!resources.LoadLibraryA(installationFolder + kResourceLibraryName))
        return;  // default glyphs
    TBitmap bitmap;
    for (const char* name : {"NT_FOLDER", "NT_FOLDER_SELECTED", "NT_ITEM", "NT_ITEM_SELECTED", "NT_VOLUME"})
        if (resources.LoadBitmapA(name, &bitmap))
            FNodeTypes.push_back(QPixmap::fromImage(MaskColor(bitmap.Image(), clFuchsia)));
    if (FNodeTypes.size() != 5)
        FNodeTypes.clear();
    TIcon icon;
    if (resources.LoadIconA("TIDEWASH2", &icon))
        setWindowIcon(icon.Icon());
    const std::pair<const char*, QAction*> glyphs[] = {
        {"ACT_SELECTALL", actSelectAll}, {"ACT_UNSELECTALL", actUnselectAll}, {"ACT_EXIT", actClose},
        {"ACT_EXPORTHTML", actExportSearchResults}};
    for (const auto& [name, action] : glyphs)
        if (resources.LoadBitmapA(name, &bitmap))
            action->setIcon(QPixmap::fromImage(MaskColor(bitmap.Image(), clFuchsia)));
    if (resources.LoadBitmapA("ACT_OK", &bitmap))
        btnOK->setIcon(QPixmap::fromImage(MaskColor(bitmap.Image(), clFuchsia)));
}

int TfrmFileDetails::ShowModal() { return exec(); }

void TfrmFileDetails::SetOwner(std::uintptr_t owner)
{
    QWidget* caller = owner == 0 ? nullptr : QWidget::find(static_cast<WId>(owner));
    if (caller == nullptr)
        return;
    QWidget* top = caller->window();
    // A window that stays on top would cover an owned window that does not.
    if (top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Only the native windows are linked, not the widgets: the handler, not
    // the caller's window, owns this window and deletes it.
    winId();
    if (top->windowHandle() != nullptr && windowHandle() != nullptr)
        windowHandle()->setTransientParent(top->windowHandle());
}

void TfrmFileDetails::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FStarted)
        return;
    // The window is on screen before the views are built.
    FStarted = true;
    tmrStartup->start();
}

void TfrmFileDetails::BuildViewsNow()
{
    tmrStartup->stop();
    if (FViewsBuilt)
        return;
    FStarted = true;
    FViewsBuilt = true;
    BuildTabs();
    RebuildViews();
    UpdateTotalsStatus();
}

void TfrmFileDetails::BuildTabs()
{
    const QSignalBlocker quiet(tcMain);
    for (const auto& [mask, results] : FSearcher.Results)
        if (!results.empty() && mask != AllMasks)
            tcMain->addTab(Q(mask));
}

void TfrmFileDetails::tcMainChange() { RebuildViews(); }

void TfrmFileDetails::RebuildViews()
{
    const TWaitCursor wait;
    FStatus[0]->clear();
    ProcessPendingEvents();
    BuildList();
    BuildTree();
    UpdateViewStatus();
}

TViewItem* TfrmFileDetails::ViewItemOf(const TResultRef& ref, std::vector<TViewItem*>& ofGroup)
{
    if (ofGroup.size() <= ref.Index)
        ofGroup.resize(ref.Group->size(), nullptr);
    TViewItem*& item = ofGroup[ref.Index];
    if (item == nullptr) {
        const auto entry = FSelection.find(Aliases == nullptr ? ref : FirstFinding(*Aliases, ref));
        FViewItems.push_back(TViewItem{ref, static_cast<int>(FViewItems.size()),
                                       entry == FSelection.end() ? nullptr : &entry->second});
        item = &FViewItems.back();
    }
    return item;
}

bool TfrmFileDetails::Marked(const TViewItem* item) const { return item->Flag != nullptr && *item->Flag; }

void TfrmFileDetails::SetMarked(TViewItem* item, bool marked)
{
    // A check the purge would not honour is never shown.
    if (marked && !KeptReasonOf(item).empty())
        return;
    if (item->Flag == nullptr)
        item->Flag = &FSelection[Aliases == nullptr ? item->Ref : FirstFinding(*Aliases, item->Ref)];
    *item->Flag = marked;
}

namespace {

AnsiString ReasonIn(const TFileReasons* reasons, const TFileAliases* aliases, const TResultRef& ref)
{
    if (reasons == nullptr)
        return {};
    const auto it = reasons->find(aliases == nullptr ? ref : FirstFinding(*aliases, ref));
    return it == reasons->end() ? AnsiString() : it->second;
}

}  // namespace

AnsiString TfrmFileDetails::KeptReasonOf(const TViewItem* item) const
{
    return ReasonIn(KeptBySettings, Aliases, item->Ref);
}

AnsiString TfrmFileDetails::ReasonOf(const TViewItem* item) const
{
    AnsiString kept = KeptReasonOf(item);
    return kept.empty() ? ReasonIn(FReasons, Aliases, item->Ref) : kept;
}

void TfrmFileDetails::BuildList()
{
    const QString tab = tcMain->tabText(tcMain->currentIndex());
    std::vector<TViewItem*> rows;
    for (const auto& [mask, results] : FSearcher.Results) {
        if (tab != AllMasks && Q(mask) != tab)
            continue;
        std::vector<TViewItem*>& ofGroup = FViewItemOf[&results];
        for (std::size_t i = 0; i < results.size(); ++i) {
            const TResultRef ref{&results, i};
            // All masks together list a file once, however many found it.
            if (tab == AllMasks && Aliases != nullptr && Aliases->count(ref) > 0)
                continue;
            rows.push_back(ViewItemOf(ref, ofGroup));
        }
    }
    FListItemOf.assign(FViewItems.size(), -1);
    for (std::size_t r = 0; r < rows.size(); ++r)
        FListItemOf[static_cast<std::size_t>(rows[r]->Id)] = static_cast<int>(r);
    FListModel->Reset(std::move(rows));
}

void TfrmFileDetails::BuildTree()
{
    using TNode = TResultTreeModel::TNode;
    const TWaitCursor wait;
    const auto& rows = FListModel->Rows;
    pbarBuildViewProgress->setRange(0, std::max<int>(1, static_cast<int>(rows.size())));
    pbarBuildViewProgress->setValue(0);
    pbarBuildViewProgress->show();
    std::vector<TNode> nodes(1);
    nodes[0].Text = Q(FVolume);
    // Folder lookup while building: parent node and text -> folder node.
    std::unordered_map<std::string, int> folders;
    // A result's folder and leaf prefix follow from its path alone, and
    // the files of one folder are many: each path is split once.
    struct TPlaceOfPath {
        int Folder;
        QString LeafPrefix;
    };
    std::unordered_map<std::string, TPlaceOfPath> places;
    FTreeNodeOf.assign(FViewItems.size(), -1);
    nodes.reserve(rows.size() + rows.size() / 8 + 1);
    std::string key;
    const AnsiString* lastPath = nullptr;
    TPlaceOfPath* last = nullptr;
    using TClock = std::chrono::steady_clock;
    int position = 0;
    TClock::time_point eventsDue = TClock::time_point::min();
    for (TViewItem* item : rows) {
        if (++position % kItemsPerEventCheck == 0 && TClock::now() >= eventsDue) {
            pbarBuildViewProgress->setValue(position);
            ProcessPendingEvents();
            eventsDue = TClock::now() + kEventInterval;
        }
        const zelutils::TSearchResult& result = *item->Ref;
        // Results of one folder mostly come one after another.
        if (lastPath != nullptr && *lastPath == result.Path) {
            // same place as the previous result
        } else if (auto [place, newPath] = places.try_emplace(result.Path); !newPath) {
            last = &place->second;
        } else {
            const TTreePlace split = SplitForTree(result.Path + "x", FVolume, FFolderDepth);
            int parent = 0;
            for (const AnsiString& part : split.Folders) {
                key.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
                key += part;
                auto [it, made] = folders.try_emplace(key, static_cast<int>(nodes.size()));
                if (made) {
                    TNode folder;
                    folder.Parent = parent;
                    folder.Text = Q(part);
                    nodes.push_back(std::move(folder));
                    nodes[static_cast<std::size_t>(parent)].Children.push_back(it->second);
                }
                parent = it->second;
            }
            // The leaf text of the stand-in name "x" less the "x".
            place->second = {parent, Q(split.Leaf.substr(0, split.Leaf.size() - 1))};
            last = &place->second;
        }
        lastPath = &result.Path;
        TNode leaf;
        leaf.Parent = last->Folder;
        leaf.Text = last->LeafPrefix.isEmpty() ? Q(result.Name) : last->LeafPrefix + Q(result.Name);
        leaf.Item = item;
        leaf.State = StateOf(Marked(item));
        FTreeNodeOf[static_cast<std::size_t>(item->Id)] = static_cast<int>(nodes.size());
        nodes[static_cast<std::size_t>(leaf.Parent)].Children.push_back(static_cast<int>(nodes.size()));
        nodes.push_back(std::move(leaf));
    }
    // Sorted by text, as a tree sorted by text shows it; rows follow.
    for (TNode& n : nodes) {
        std::stable_sort(n.Children.begin(), n.Children.end(), [&nodes](int a, int b) {
            return nodes[static_cast<std::size_t>(a)].Text.compare(nodes[static_cast<std::size_t>(b)].Text,
                                                                    Qt::CaseInsensitive) < 0;
        });
        for (std::size_t r = 0; r < n.Children.size(); ++r)
            nodes[static_cast<std::size_t>(n.Children[r])].Row = static_cast<int>(r);
    }
    // Folder states bottom-up: children always come after their parent.
    std::vector<TNodeState> states;
    for (std::size_t i = nodes.size(); i-- > 0;) {
        TNode& n = nodes[i];
        if (n.Item != nullptr)
            continue;
        states.clear();
        for (int c : n.Children)
            states.push_back(nodes[static_cast<std::size_t>(c)].State);
        n.State = CombinedState(states);
    }
    pbarBuildViewProgress->setValue(pbarBuildViewProgress->maximum());
    FTreeModel->Reset(std::move(nodes));
    pbarBuildViewProgress->hide();
    tvResults->expand(FTreeModel->IndexOf(0));
}

void TfrmFileDetails::SyncOrToggle(TViewItem* item, bool toggle)
{
    if (FUpdating)
        return;
    FUpdating = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FUpdating};
    const int row = FListItemOf[static_cast<std::size_t>(item->Id)];
    if (row < 0)
        return;
    const QModelIndex listIndex = FListModel->index(row, 0);
    if (FSyncViews && lvResults->currentIndex().row() != row) {
        lvResults->setCurrentIndex(listIndex);
        lvResults->scrollTo(listIndex);
    }
    if (toggle) {
        SetMarked(item, !Marked(item));
        FListModel->RowChanged(row);
    }
    const int leaf = static_cast<std::size_t>(item->Id) < FTreeNodeOf.size() ? FTreeNodeOf[static_cast<std::size_t>(item->Id)] : -1;
    if (leaf < 0)
        return;
    const QModelIndex treeIndex = FTreeModel->IndexOf(leaf);
    if (FSyncViews && tvResults->currentIndex() != treeIndex) {
        tvResults->setCurrentIndex(treeIndex);
        tvResults->scrollTo(treeIndex);
    }
    auto& node = FTreeModel->Nodes[static_cast<std::size_t>(leaf)];
    if (node.State != StateOf(Marked(item))) {
        node.State = StateOf(Marked(item));
        FTreeModel->NodeChanged(leaf);
        UpdateAncestors(leaf);
    }
}

void TfrmFileDetails::UpdateAncestors(int node)
{
    auto& nodes = FTreeModel->Nodes;
    std::vector<TNodeState> states;
    for (int p = nodes[static_cast<std::size_t>(node)].Parent; p >= 0; p = nodes[static_cast<std::size_t>(p)].Parent) {
        states.clear();
        for (int c : nodes[static_cast<std::size_t>(p)].Children)
            states.push_back(nodes[static_cast<std::size_t>(c)].State);
        nodes[static_cast<std::size_t>(p)].State = CombinedState(states);
        FTreeModel->NodeChanged(p);
    }
}

void TfrmFileDetails::TreeCheckClicked(int node)
{
    auto& n = FTreeModel->Nodes[static_cast<std::size_t>(node)];
    if (n.Item != nullptr) {
        SyncOrToggle(n.Item, true);
    } else {
        const TWaitCursor wait;
        const bool sync = std::exchange(FSyncViews, false);
        SetFolder(node, n.State == TNodeState::Checked ? TNodeState::Unchecked : TNodeState::Checked);
        UpdateAncestors(node);
        FSyncViews = sync;
    }
    UpdateViewStatus();
}

void TfrmFileDetails::SetFolder(int node, TNodeState state)
{
    // Files flip without updating their ancestors one by one: the caller
    // updates them once the whole folder is done.
    auto& nodes = FTreeModel->Nodes;
    nodes[static_cast<std::size_t>(node)].State = state;
    FTreeModel->NodeChanged(node);
    const std::vector<int> children = nodes[static_cast<std::size_t>(node)].Children;
    for (int c : children) {
        auto& child = nodes[static_cast<std::size_t>(c)];
        if (child.State == state)
            continue;
        if (child.Item == nullptr) {
            SetFolder(c, state);
            continue;
        }
        SetMarked(child.Item, state == TNodeState::Checked);
        child.State = state;
        FTreeModel->NodeChanged(c);
        const int row = FListItemOf[static_cast<std::size_t>(child.Item->Id)];
        if (row >= 0)
            FListModel->RowChanged(row);
    }
}

void TfrmFileDetails::SetAll(bool marked)
{
    const TWaitCursor wait;
    for (TViewItem* item : FListModel->Rows)
        SetMarked(item, marked);
    FListModel->AllChanged();
    BuildTree();
    UpdateViewStatus();
}

void TfrmFileDetails::SetFolderDepth(int depth)
{
    FFolderDepth = std::max(0, depth);
    BuildTree();
}

void TfrmFileDetails::ShowFolderDepthDialog()
{
    TfrmFolderDepth dialog(FInstallationFolder, this);
    dialog.SetFolderDepth(FFolderDepth);
    if (dialog.exec() == QDialog::Accepted && dialog.GetFolderDepth() >= 0)
        SetFolderDepth(dialog.GetFolderDepth());
}

void TfrmFileDetails::SortList(TListColumn column)
{
    if (FSortColumn == column)
        FSortAscending = !FSortAscending;
    else {
        FSortColumn = column;
        FSortAscending = true;
    }
    const bool full = FListModel->FullPath;
    const bool ascending = FSortAscending;
    auto& rows = FListModel->Rows;
    emit FListModel->layoutAboutToBeChanged();
    std::stable_sort(rows.begin(), rows.end(), [&](const TViewItem* a, const TViewItem* b) {
        const int c = CompareForList(*a->Ref, *b->Ref, column, full);
        return ascending ? c < 0 : c > 0;
    });
    for (std::size_t r = 0; r < rows.size(); ++r)
        FListItemOf[static_cast<std::size_t>(rows[r]->Id)] = static_cast<int>(r);
    emit FListModel->layoutChanged();
    lvResults->header()->setSortIndicator(static_cast<int>(column), ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool TfrmFileDetails::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
        return QDialog::eventFilter(watched, event);
    // Space toggles the selected file; on a folder it does nothing.
    if (watched == tvResults) {
        const int node = TResultTreeModel::NodeOf(tvResults->currentIndex());
        if (node >= 0 && FTreeModel->Nodes[static_cast<std::size_t>(node)].Item != nullptr) {
            SyncOrToggle(FTreeModel->Nodes[static_cast<std::size_t>(node)].Item, true);
            UpdateViewStatus();
        }
        return true;
    }
    if (watched == lvResults) {
        const QModelIndex i = lvResults->currentIndex();
        if (i.isValid()) {
            SyncOrToggle(FListModel->Rows[static_cast<std::size_t>(i.row())], true);
            UpdateViewStatus();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFileDetails::UpdateViewStatus()
{
    std::size_t marked = 0;
    double markedSize = 0;
    double totalSize = 0;
    for (const TViewItem* item : FListModel->Rows) {
        totalSize += static_cast<double>(item->Ref->Size);
        if (Marked(item)) {
            ++marked;
            markedSize += static_cast<double>(item->Ref->Size);
        }
    }
    const TByteDisplay m = DisplayBytes(markedSize);
    const TByteDisplay t = DisplayBytes(totalSize);
    FStatus[0]->setText(QString(" Current View: %1 (%2 %3) of %4 (%5 %6)")
                            .arg(marked)
                            .arg(Q(m.Size), Q(m.Unit))
                            .arg(FListModel->Rows.size())
                            .arg(Q(t.Size), Q(t.Unit)));
}

void TfrmFileDetails::UpdateTotalsStatus()
{
    double total = 0;
    for (const TViewItem* item : FListModel->Rows)
        total += static_cast<double>(item->Ref->Size);
    const TByteDisplay t = DisplayBytes(total);
    QString text = QString(" Total: %1 (%2 %3)  :  1KB = 1024 bytes")
                       .arg(FListModel->Rows.size())
                       .arg(Q(t.Size), Q(t.Unit));
    // What the scan could not read is not in the lists: say so.
    if (const std::size_t unreadable = FSearcher.UnreadableFolders; unreadable > 0)
        text += QString("  :  %1 folder%2 could not be read").arg(unreadable).arg(unreadable == 1 ? "" : "s");
    FStatus[1]->setText(text);
}

QString TfrmFileDetails::StatusText(int panel) const { return FStatus[panel == 0 ? 0 : 1]->text(); }

QString TfrmFileDetails::NodePath(const QModelIndex& treeIndex) const
{
    int node = TResultTreeModel::NodeOf(treeIndex);
    if (node < 0)
        return {};
    const auto& nodes = FTreeModel->Nodes;
    QString path;
    for (; node > 0; node = nodes[static_cast<std::size_t>(node)].Parent)
        path = path.isEmpty() ? nodes[static_cast<std::size_t>(node)].Text
                              : nodes[static_cast<std::size_t>(node)].Text + "/" + path;
    // The volume ends in the separator already.
    return nodes[0].Text + path;
}

void TfrmFileDetails::CopyTreeLocation()
{
    if (FPopupNode >= 0)
        QGuiApplication::clipboard()->setText(NodePath(FTreeModel->IndexOf(FPopupNode)));
}

void TfrmFileDetails::CopyListLocation()
{
    const QModelIndex i = lvResults->currentIndex();
    if (i.isValid())
        QGuiApplication::clipboard()->setText(Q(FListModel->Rows[static_cast<std::size_t>(i.row())]->Ref->GetFullName()));
}

void TfrmFileDetails::OpenPath(const QString& path)
{
    if (!OpenWithShell(path))
        QMessageBox::critical(this, "Operation Failed", "Failed to open the selected file or folder.");
}

void TfrmFileDetails::OpenSelectedFolder()
{
    if (FPopupNode >= 0)
        OpenPath(NodePath(FTreeModel->IndexOf(FPopupNode)));
}

void TfrmFileDetails::OpenContainingFolder()
{
    if (FPopupNode <= 0)
        return;
    const TViewItem* item = FTreeModel->Nodes[static_cast<std::size_t>(FPopupNode)].Item;
    if (item == nullptr)
        return;
    // The file's own folder: below a folder depth the leaf holds folders
    // of its own, so its parent node is not where the file is.
    const AnsiString& folder = item->Ref->Path;
    OpenPath(Q(folder.size() > FVolume.size() ? ExcludeTrailingPathDelimiter(folder) : folder));
}

void TfrmFileDetails::ExportSearchResults()
{
    const AnsiString folder = FInstallationFolder + "Reports";
    ForceDirectories(folder);
    const QString fileName = ChooseReportFile(Q(folder));
    if (fileName.isEmpty())
        return;
    try {
        const TFileFlags listed = Aliases == nullptr ? FSelection : SpreadToAliases(FSelection, *Aliases);
        THTMLReport report(FSearcher.Results, listed);
        const QByteArray local = fileName.toLocal8Bit();
        report.WriteReport(AnsiString(local.constData(), static_cast<std::size_t>(local.size())),
                           "Tidewash Search Results", "Files marked for deletion", "Files excluded from deletion");
    } catch (const std::exception& error) {
        // The window stays usable: the user can pick another place.
        QMessageBox::critical(this, "Export Failed",
                              QString("The report could not be written to\n%1\n\n%2").arg(fileName, Q(error.what())));
        return;
    }
    OpenPath(fileName);
}

}  // namespace tidewash
