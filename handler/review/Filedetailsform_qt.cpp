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

#include "Folderdepth.h"
#include "Forms.hpp"
#include "Graphics.hpp"
#include "SysUtils.hpp"
#include "Twsresname.h"
#include "Zellibutils.h"

namespace tidewash {

namespace {

// While a tree is built, the progress bar moves and pending events are
// processed when the model reports progress, at most once per this
// interval. A human sees no difference from every 10 files, but processing
// events is dear: done every 10 files it slowed a build of 100,000 results
// by a third.
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

// The list's cells: each gets its lower and right edge drawn (grid lines).
// Only a name loses its middle when too long (the view's elide mode); a
// size, a date or a reason keeps its start.
class TListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != static_cast<int>(TListColumn::Name))
            option->textElideMode = Qt::ElideRight;
    }
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
    TResultListModel(TfrmFileDetails& form, TReviewModel& model) : FForm(form), FModel(model) {}

    void Reset()
    {
        beginResetModel();
        endResetModel();
    }
    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, kListColumns - 1)); }
    void AllChanged()
    {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, kListColumns - 1));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= kListColumns)
            return {};
        return createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(FModel.Rows().size());
    }
    int columnCount(const QModelIndex& = {}) const override { return kListColumns; }

    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kListColumns)
            return QString(TReviewModel::ColumnTitle(static_cast<TListColumn>(section)));
        return {};
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const TViewItem* item = FModel.Rows()[static_cast<std::size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return Q(FModel.CellText(index.row(), static_cast<TListColumn>(index.column())));
        case Qt::CheckStateRole:
            if (index.column() == 0)
                return ToCheck(StateOf(FModel.Marked(item)));
            return {};
        case Qt::ToolTipRole: {
            const AnsiString reason = FModel.ReasonOf(item);
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
        FForm.SyncOrToggle(FModel.Rows()[static_cast<std::size_t>(index.row())], true);
        FForm.UpdateViewStatus();
        return true;
    }

private:
    TfrmFileDetails& FForm;
    TReviewModel& FModel;
};

// ---- the tree: the volume, its folders and one leaf per listed result -------

class TResultTreeModel : public QAbstractItemModel {
public:
    TResultTreeModel(TfrmFileDetails& form, TReviewModel& model) : FForm(form), FModel(model) {}

    // Around a rebuild of the model's nodes.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    const TReviewModel::TNode& Node(int node) const { return FModel.Nodes()[static_cast<std::size_t>(node)]; }
    QModelIndex IndexOf(int node) const { return createIndex(Node(node).Row, 0, static_cast<quintptr>(node)); }
    static int NodeOf(const QModelIndex& index) { return index.isValid() ? static_cast<int>(index.internalId()) : -1; }
    void NodeChanged(int node)
    {
        const QModelIndex i = IndexOf(node);
        emit dataChanged(i, i, {Qt::CheckStateRole});
    }
    // Every node's check may have changed: the root, and each folder's
    // children at once.
    void ChecksChanged()
    {
        if (FModel.Nodes().empty())
            return;
        NodeChanged(0);
        const auto& nodes = FModel.Nodes();
        for (std::size_t n = 0; n < nodes.size(); ++n) {
            const auto last = static_cast<int>(nodes[n].Children.size()) - 1;
            if (last < 0)
                continue;
            const QModelIndex parent = IndexOf(static_cast<int>(n));
            emit dataChanged(index(0, 0, parent), index(last, 0, parent), {Qt::CheckStateRole});
        }
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        if (column != 0 || row < 0 || FModel.Nodes().empty())
            return {};
        if (!parent.isValid())
            return row == 0 ? createIndex(0, 0, quintptr(0)) : QModelIndex();
        const TReviewModel::TNode& p = Node(static_cast<int>(parent.internalId()));
        if (row >= static_cast<int>(p.Children.size()))
            return {};
        return createIndex(row, 0, static_cast<quintptr>(p.Children[static_cast<std::size_t>(row)]));
    }
    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid() || child.internalId() == 0)
            return {};
        return IndexOf(Node(static_cast<int>(child.internalId())).Parent);
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        if (!parent.isValid())
            return FModel.Nodes().empty() ? 0 : 1;
        return static_cast<int>(Node(static_cast<int>(parent.internalId())).Children.size());
    }
    int columnCount(const QModelIndex& = {}) const override { return 1; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const int node = static_cast<int>(index.internalId());
        const TReviewModel::TNode& n = Node(node);
        switch (role) {
        case Qt::DisplayRole:
            return Q(FModel.NodeText(node));
        case Qt::CheckStateRole:
            return ToCheck(n.State);
        case Qt::DecorationRole: {
            // Root 4, folders 0, files 2 (the selected images are for views
            // that draw selection into the glyph).
            const std::size_t image = node == 0 ? 4 : (n.Item == nullptr ? 0 : 2);
            if (image < FForm.FNodeTypes.size())
                return FForm.FNodeTypes[image];
            return {};
        }
        case Qt::ToolTipRole:
            if (n.Item != nullptr) {
                const AnsiString reason = FModel.ReasonOf(n.Item);
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
    TReviewModel& FModel;
};

// ---- the window -------------------------------------------------------------

TfrmFileDetails::TfrmFileDetails(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                                 const TFileReasons* reasons, const AnsiString& installationFolder)
    : FInstallationFolder(installationFolder), FModel(volume, searcher, selection, reasons),
      FListModel(new TResultListModel(*this, FModel)), FTreeModel(new TResultTreeModel(*this, FModel))
{
    FModel.RowChanged = [this](int row) { FListModel->RowChanged(row); };
    FModel.NodeChanged = [this](int node) { FTreeModel->NodeChanged(node); };
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
}

TfrmFileDetails::~TfrmFileDetails()
{
    // The views go before the models they show. No event of theirs may
    // reach the filter while they are destroyed: it calls into the list,
    // which by then is no longer one.
    lvResults->viewport()->removeEventFilter(this);
    tvResults->removeEventFilter(this);
    lvResults->removeEventFilter(this);
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
        FModel.FullPath = ShowFullPath1->isChecked();
        FListModel->AllChanged();
    });
    ShowFullPath1->setCheckable(true);
    ShowFullPath1->setChecked(true);
    QMenu* reports = menus->addMenu("Reports");
    actExportSearchResults = reports->addAction("Export to HTML", QKeySequence("Ctrl+Alt+S"), this,
                                                [this] { ExportSearchResults(); });

    tcMain = new QTabBar;
    tcMain->setObjectName("tcMain");
    tcMain->addTab(kAllMasksTab);
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
    lvResults->setItemDelegate(new TListDelegate(lvResults));
    // A long path loses its middle, never the file name at its end.
    lvResults->setTextElideMode(Qt::ElideMiddle);
    lvResults->header()->setSectionsClickable(true);
    lvResults->header()->setSortIndicatorShown(true);
    lvResults->header()->setSortIndicator(-1, Qt::AscendingOrder);
    // The Name column takes what the list gains beyond them (FitNameColumn).
    lvResults->header()->setStretchLastSection(false);
    for (int c = 0; c < kListColumns; ++c)
        lvResults->setColumnWidth(c, kListColumnWidths[c]);
    lvResults->viewport()->installEventFilter(this);
    connect(lvResults->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section != 0)
            FitNameColumn();
    });
    splitter->addWidget(tvResults);
    splitter->addWidget(lvResults);
    // People read a cleanup list by name and size: the list gets the larger
    // share of the height, and of what the window gains.
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({203, 340});
    layout->addWidget(splitter, 1);
    tvResults->installEventFilter(this);
    lvResults->installEventFilter(this);

    connect(lvResults->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortList(static_cast<TListColumn>(section)); });
    connect(lvResults->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
        if (!i.isValid() || FUpdating)
            return;
        SyncOrToggle(FModel.Rows()[static_cast<std::size_t>(i.row())], false);
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
        if (node < 0 || FUpdating || FTreeModel->Node(node).Item == nullptr)
            return;
        SyncOrToggle(FTreeModel->Node(node).Item, false);
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
        const bool isFile = FTreeModel->Node(FPopupNode).Item != nullptr;
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
    for (const char* name : {"NT_FOLDER", "NT_FOLDER_SELECTED", "NT_ITEM", "NT_ITEM_SELECTED", "NT_VOLUME"})
        if (const QPixmap glyph = resources.LoadGlyph(name); !glyph.isNull())
            FNodeTypes.push_back(glyph);
    if (FNodeTypes.size() != 5)
        FNodeTypes.clear();
    TIcon icon;
    if (resources.LoadIconA("TIDEWASH2", &icon))
        setWindowIcon(icon.Icon());
    const std::pair<const char*, QAction*> glyphs[] = {
        {"ACT_SELECTALL", actSelectAll}, {"ACT_UNSELECTALL", actUnselectAll}, {"ACT_EXIT", actClose},
        {"ACT_EXPORTHTML", actExportSearchResults}};
    for (const auto& [name, action] : glyphs)
        if (const QPixmap glyph = resources.LoadGlyph(name); !glyph.isNull())
            action->setIcon(glyph);
    if (const QPixmap glyph = resources.LoadGlyph("ACT_OK"); !glyph.isNull())
        btnOK->setIcon(glyph);
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
    FModel.Aliases = Aliases;
    FModel.KeptBySettings = KeptBySettings;
    BuildTabs();
    RebuildViews();
    UpdateTotalsStatus();
}

void TfrmFileDetails::BuildTabs()
{
    const QSignalBlocker quiet(tcMain);
    const std::vector<AnsiString> tabs = FModel.Tabs();
    for (std::size_t t = 1; t < tabs.size(); ++t)
        tcMain->addTab(Q(tabs[t]));
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

void TfrmFileDetails::BuildList()
{
    const QByteArray tab = tcMain->tabText(tcMain->currentIndex()).toLocal8Bit();
    FModel.ShowTab(AnsiString(tab.constData(), static_cast<std::size_t>(tab.size())));
    FListModel->Reset();
}

void TfrmFileDetails::BuildTree()
{
    const TWaitCursor wait;
    pbarBuildViewProgress->setRange(0, std::max<int>(1, static_cast<int>(FModel.Rows().size())));
    pbarBuildViewProgress->setValue(0);
    pbarBuildViewProgress->show();
    using TClock = std::chrono::steady_clock;
    TClock::time_point eventsDue = TClock::time_point::min();
    FModel.TreeProgress = [&](int done, int) {
        if (TClock::now() < eventsDue)
            return;
        pbarBuildViewProgress->setValue(done);
        ProcessPendingEvents();
        eventsDue = TClock::now() + kEventInterval;
    };
    // The tree view shows the old nodes until the new ones are in place.
    // When only their checks change, it keeps them and its opened folders.
    const bool sameNodes = FModel.TreeIsCurrent();
    if (!sameNodes)
        FTreeModel->BeginReset();
    FModel.BuildTree();
    if (sameNodes)
        FTreeModel->ChecksChanged();
    else
        FTreeModel->EndReset();
    FModel.TreeProgress = nullptr;
    pbarBuildViewProgress->setValue(pbarBuildViewProgress->maximum());
    pbarBuildViewProgress->hide();
    tvResults->expand(FTreeModel->IndexOf(0));
}

void TfrmFileDetails::SyncOrToggle(TViewItem* item, bool toggle)
{
    const TUpdateGuard update(FUpdating);
    if (!update.Entered())
        return;
    const int row = FModel.RowOf(item);
    if (row < 0)
        return;
    const QModelIndex listIndex = FListModel->index(row, 0);
    if (FSyncViews && lvResults->currentIndex().row() != row) {
        lvResults->setCurrentIndex(listIndex);
        lvResults->scrollTo(listIndex);
    }
    const int leaf = FModel.NodeOf(item);
    if (leaf >= 0) {
        const QModelIndex treeIndex = FTreeModel->IndexOf(leaf);
        if (FSyncViews && tvResults->currentIndex() != treeIndex) {
            tvResults->setCurrentIndex(treeIndex);
            tvResults->scrollTo(treeIndex);
        }
    }
    if (toggle)
        FModel.Toggle(item);
}

void TfrmFileDetails::TreeCheckClicked(int node)
{
    if (TViewItem* item = FTreeModel->Node(node).Item) {
        SyncOrToggle(item, true);
    } else {
        const TWaitCursor wait;
        FModel.ClickNode(node);
    }
    UpdateViewStatus();
}

void TfrmFileDetails::SetAll(bool marked)
{
    const TWaitCursor wait;
    FModel.SetAll(marked);
    FListModel->AllChanged();
    BuildTree();
    UpdateViewStatus();
}

void TfrmFileDetails::SetFolderDepth(int depth)
{
    FModel.SetFolderDepth(depth);
    BuildTree();
}

void TfrmFileDetails::ShowFolderDepthDialog()
{
    TfrmFolderDepth dialog(FInstallationFolder, this);
    dialog.SetFolderDepth(FModel.FolderDepth());
    if (dialog.exec() == QDialog::Accepted && dialog.GetFolderDepth() >= 0)
        SetFolderDepth(dialog.GetFolderDepth());
}

void TfrmFileDetails::SortList(TListColumn column)
{
    emit FListModel->layoutAboutToBeChanged();
    FModel.SortList(column);
    emit FListModel->layoutChanged();
    lvResults->header()->setSortIndicator(static_cast<int>(column),
                                          FModel.SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TfrmFileDetails::FitNameColumn()
{
    int others = 0;
    for (int c = 1; c < kListColumns; ++c)
        others += lvResults->columnWidth(c);
    lvResults->setColumnWidth(0, std::max(kListColumnWidths[0], lvResults->viewport()->width() - others));
}

bool TfrmFileDetails::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvResults->viewport() && event->type() == QEvent::Resize)
        FitNameColumn();
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
        return QDialog::eventFilter(watched, event);
    // Space toggles the selected file; on a folder it does nothing.
    if (watched == tvResults) {
        const int node = TResultTreeModel::NodeOf(tvResults->currentIndex());
        if (node >= 0 && FTreeModel->Node(node).Item != nullptr) {
            SyncOrToggle(FTreeModel->Node(node).Item, true);
            UpdateViewStatus();
        }
        return true;
    }
    if (watched == lvResults) {
        const QModelIndex i = lvResults->currentIndex();
        if (i.isValid()) {
            SyncOrToggle(FModel.Rows()[static_cast<std::size_t>(i.row())], true);
            UpdateViewStatus();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFileDetails::UpdateViewStatus() { FStatus[0]->setText(Q(FModel.ViewStatus())); }

void TfrmFileDetails::UpdateTotalsStatus() { FStatus[1]->setText(Q(FModel.TotalsStatus())); }

QString TfrmFileDetails::StatusText(int panel) const { return FStatus[panel == 0 ? 0 : 1]->text(); }

QString TfrmFileDetails::NodePath(const QModelIndex& treeIndex) const
{
    const int node = TResultTreeModel::NodeOf(treeIndex);
    return node < 0 ? QString() : Q(FModel.NodePath(node));
}

void TfrmFileDetails::CopyTreeLocation()
{
    if (FPopupNode >= 0)
        QGuiApplication::clipboard()->setText(Q(FModel.NodePath(FPopupNode)));
}

void TfrmFileDetails::CopyListLocation()
{
    const QModelIndex i = lvResults->currentIndex();
    if (i.isValid())
        QGuiApplication::clipboard()->setText(Q(FModel.Rows()[static_cast<std::size_t>(i.row())]->Ref->GetFullName()));
}

void TfrmFileDetails::OpenPath(const QString& path)
{
    if (!OpenWithShell(path))
        QMessageBox::critical(this, "Operation Failed", "Failed to open the selected file or folder.");
}

void TfrmFileDetails::OpenSelectedFolder()
{
    if (FPopupNode >= 0)
        OpenPath(Q(FModel.NodePath(FPopupNode)));
}

void TfrmFileDetails::OpenContainingFolder()
{
    if (FPopupNode <= 0)
        return;
    const AnsiString folder = FModel.ContainingFolder(FPopupNode);
    if (!folder.empty())
        OpenPath(Q(folder));
}

void TfrmFileDetails::ExportSearchResults()
{
    const AnsiString folder = FInstallationFolder + "Reports";
    ForceDirectories(folder);
    const QString fileName = ChooseReportFile(Q(folder));
    if (fileName.isEmpty())
        return;
    try {
        const QByteArray local = fileName.toLocal8Bit();
        FModel.WriteSearchReport(AnsiString(local.constData(), static_cast<std::size_t>(local.size())));
    } catch (const std::exception& error) {
        // The window stays usable: the user can pick another place.
        QMessageBox::critical(this, "Export Failed",
                              QString("The report could not be written to\n%1\n\n%2").arg(fileName, Q(error.what())));
        return;
    }
    OpenPath(fileName);
}

}  // namespace tidewash
