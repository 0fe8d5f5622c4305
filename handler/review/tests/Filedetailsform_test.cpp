#include "Filedetailsform.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QTabBar>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

#include "ReviewTesting.h"
#include "TempFolder.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << l.join(", ").toStdString(); }

namespace tidewash {
namespace {

using reviewtest::AddResult;

class FiledetailsformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reviewtest::EnsureOffscreenApplication();
        AddResult(search, "*.obj", "/v/A/", "a.obj", 100, 45000.5, 45003.5);
        AddResult(search, "*.obj", "/v/A/", "b.obj", 300, 45001.5, 45001.5);
        AddResult(search, "*.obj", "/v/B/", "c.obj", 200, 45002.5, 45000.5);
        AddResult(search, "*.bak", "/v/A/", "d.bak", 50, 45003.5, 45002.5);
    }

    // The window over the results, views built, as after its first show.
    void Open()
    {
        // As the scan leaves them: a file found again under another mask
        // has its entries under its first finding only, and a file the
        // settings keep is not selected.
        selection = reviewtest::SelectAll(search);
        for (const auto& [alias, first] : aliases)
            selection.erase(alias);
        for (const auto& [ref, why] : kept)
            selection[ref] = false;
        form = std::make_unique<TfrmFileDetails>("/v/", search, selection, &reasons, folder.Slash());
        form->Aliases = &aliases;
        form->KeptBySettings = &kept;
        form->OpenWithShell = [this](const QString& path) {
            opened.push_back(path);
            return true;
        };
        form->BuildViewsNow();
    }

    QAbstractItemModel* List() const { return form->lvResults->model(); }
    QAbstractItemModel* Tree() const { return form->tvResults->model(); }
    QModelIndex Root() const { return Tree()->index(0, 0); }
    // The child of a tree node with that text (first one).
    QModelIndex Child(const QModelIndex& parent, const QString& text) const
    {
        for (int r = 0; r < Tree()->rowCount(parent); ++r)
            if (Tree()->index(r, 0, parent).data().toString() == text)
                return Tree()->index(r, 0, parent);
        ADD_FAILURE() << "no node " << text.toStdString();
        return {};
    }
    QModelIndex ListRow(const QString& name) const
    {
        for (int r = 0; r < List()->rowCount(); ++r)
            if (List()->index(r, 0).data().toString().endsWith("/" + name))
                return List()->index(r, 0);
        ADD_FAILURE() << "no list row " << name.toStdString();
        return {};
    }
    static Qt::CheckState Check(const QModelIndex& i) { return i.data(Qt::CheckStateRole).value<Qt::CheckState>(); }
    // What a click on the check indicator hands the model.
    static void ClickCheck(const QModelIndex& i)
    {
        const_cast<QAbstractItemModel*>(i.model())->setData(i, Check(i) == Qt::Checked ? Qt::Unchecked : Qt::Checked,
                                                            Qt::CheckStateRole);
    }
    bool Selected(const std::string& mask, std::size_t index) const
    {
        return selection.at(TResultRef{&search.Results.at(mask), index});
    }
    void SelectTab(const QString& caption)
    {
        for (int t = 0; t < form->tcMain->count(); ++t)
            if (form->tcMain->tabText(t) == caption)
                form->tcMain->setCurrentIndex(t);
        ASSERT_EQ(form->tcMain->tabText(form->tcMain->currentIndex()), caption);
    }
    QStringList ListNames() const
    {
        QStringList names;
        for (int r = 0; r < List()->rowCount(); ++r)
            names << List()->index(r, 0).data().toString().section('/', -1);
        return names;
    }

    twstesting::TTempFolder folder{"review"};
    zelutils::TFileSearch search;
    TFileFlags selection;
    TFileReasons reasons;
    TFileAliases aliases;
    TFileReasons kept;
    std::unique_ptr<TfrmFileDetails> form;
    QStringList opened;
};

TEST_F(FiledetailsformTest, TabsPerMaskAndEveryResultInTheAllTab)
{
    AddResult(search, "*.*", "/v/", "x.tmp", 1);  // a mask of everything has no tab of its own
    search.Results["*.map"];                     // nothing found: no tab
    Open();
    ASSERT_EQ(form->tcMain->count(), 3);
    EXPECT_EQ(form->tcMain->tabText(0), "*.*");
    EXPECT_EQ(form->tcMain->tabText(1), "*.bak");
    EXPECT_EQ(form->tcMain->tabText(2), "*.obj");
    EXPECT_EQ(List()->rowCount(), 5);
    EXPECT_EQ(form->StatusText(1), " Total: 5 (651.00 Bytes)  :  1KB = 1024 bytes");
    search.UnreadableFolders = 2;  // the scan could not read two folders: the totals say so
    Open();
    EXPECT_EQ(form->StatusText(1), " Total: 5 (651.00 Bytes)  :  1KB = 1024 bytes  :  2 folders could not be read");
    SelectTab("*.obj");
    EXPECT_EQ(ListNames(), (QStringList{"a.obj", "b.obj", "c.obj"}));
    EXPECT_EQ(Tree()->rowCount(Root()), 2) << "folders A and B";
    EXPECT_TRUE(form->StatusText(0).startsWith(" Current View: 3 (600.00 Bytes) of 3 (600.00 Bytes)"))
        << form->StatusText(0).toStdString();
}

TEST_F(FiledetailsformTest, TogglingAFileInListAndTreeChangesTheSelectionAndBothViews)
{
    Open();
    const QModelIndex a = ListRow("a.obj");
    ClickCheck(a);
    EXPECT_FALSE(Selected("*.obj", 0));
    EXPECT_EQ(Check(a), Qt::Unchecked);
    const QModelIndex folderA = Child(Root(), "A");
    EXPECT_EQ(Check(Child(folderA, "a.obj")), Qt::Unchecked);
    EXPECT_EQ(Check(folderA), Qt::PartiallyChecked);
    EXPECT_EQ(Check(Root()), Qt::PartiallyChecked);
    EXPECT_EQ(form->tvResults->currentIndex(), Child(folderA, "a.obj")) << "views follow each other";
    EXPECT_TRUE(form->StatusText(0).startsWith(" Current View: 3 (550.00 Bytes) of 4"));

    ClickCheck(Child(folderA, "a.obj"));
    EXPECT_TRUE(Selected("*.obj", 0));
    EXPECT_EQ(Check(ListRow("a.obj")), Qt::Checked);
    EXPECT_EQ(Check(folderA), Qt::Checked);

    // Space toggles the list's current file.
    form->lvResults->setCurrentIndex(ListRow("c.obj"));
    QTest::keyClick(form->lvResults, Qt::Key_Space);
    EXPECT_FALSE(Selected("*.obj", 2));
    EXPECT_EQ(Check(Child(Child(Root(), "B"), "c.obj")), Qt::Unchecked);
    // Space on a folder does nothing.
    form->tvResults->setCurrentIndex(Child(Root(), "B"));
    QTest::keyClick(form->tvResults, Qt::Key_Space);
    EXPECT_FALSE(Selected("*.obj", 2));
}

TEST_F(FiledetailsformTest, TheListFollowsTheTreeOnceItsSelectionRests)
{
    Open();
    const QModelIndex folderB = Child(Root(), "B");
    form->tvResults->setCurrentIndex(Child(Child(Root(), "A"), "b.obj"));
    form->tvResults->setCurrentIndex(Child(folderB, "c.obj"));
    EXPECT_FALSE(form->lvResults->currentIndex().isValid()) << "not at once";
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->lvResults->currentIndex().isValid(); }));
    EXPECT_EQ(form->lvResults->currentIndex().row(), ListRow("c.obj").row());
    EXPECT_EQ(form->tvResults->currentIndex(), Child(folderB, "c.obj"));
}

TEST_F(FiledetailsformTest, AFolderClickChecksAPartCheckedFolderAndUnchecksAChecked)
{
    Open();
    ClickCheck(ListRow("b.obj"));
    const QModelIndex folderA = Child(Root(), "A");
    ASSERT_EQ(Check(folderA), Qt::PartiallyChecked);
    ClickCheck(folderA);
    EXPECT_EQ(Check(folderA), Qt::Checked);
    EXPECT_TRUE(Selected("*.obj", 1));
    ClickCheck(folderA);
    EXPECT_EQ(Check(folderA), Qt::Unchecked);
    EXPECT_FALSE(Selected("*.obj", 0));
    EXPECT_FALSE(Selected("*.obj", 1));
    EXPECT_FALSE(Selected("*.bak", 0));
    EXPECT_TRUE(Selected("*.obj", 2)) << "folder B is not touched";
    EXPECT_EQ(Check(ListRow("d.bak")), Qt::Unchecked);
    EXPECT_EQ(Check(Root()), Qt::PartiallyChecked);
    ClickCheck(Root());
    for (const auto& [ref, marked] : selection)
        EXPECT_TRUE(marked);
}

TEST_F(FiledetailsformTest, CheckAllAndUncheckAllTouchOnlyTheCurrentTab)
{
    Open();
    SelectTab("*.obj");
    form->actUnselectAll->trigger();
    EXPECT_FALSE(Selected("*.obj", 0));
    EXPECT_FALSE(Selected("*.obj", 1));
    EXPECT_FALSE(Selected("*.obj", 2));
    EXPECT_TRUE(Selected("*.bak", 0));
    EXPECT_EQ(Check(Root()), Qt::Unchecked);
    SelectTab("*.*");
    EXPECT_EQ(Check(Child(Root(), "A")), Qt::PartiallyChecked) << "the other tab sees the change";
    SelectTab("*.bak");
    form->actUnselectAll->trigger();
    form->actSelectAll->trigger();
    EXPECT_TRUE(Selected("*.bak", 0));
    EXPECT_FALSE(Selected("*.obj", 0));
}

TEST_F(FiledetailsformTest, CheckAllKeepsTheOpenedFoldersAndTheirNodesTakeTheChecks)
{
    Open();
    form->tvResults->expand(Child(Root(), "A"));
    const struct {
        QAction* Action;
        Qt::CheckState State;
    } cases[] = {{form->actUnselectAll, Qt::Unchecked}, {form->actSelectAll, Qt::Checked}};
    for (const auto& c : cases) {
        c.Action->trigger();
        const QModelIndex folderA = Child(Root(), "A");
        EXPECT_TRUE(form->tvResults->isExpanded(folderA)) << c.Action->text().toStdString();
        EXPECT_EQ(Check(Child(folderA, "a.obj")), c.State) << c.Action->text().toStdString();
        EXPECT_EQ(Check(folderA), c.State) << c.Action->text().toStdString();
        EXPECT_EQ(Check(Root()), c.State) << c.Action->text().toStdString();
    }
    // Another tab's tree is another, and back.
    SelectTab("*.obj");
    EXPECT_EQ(Tree()->rowCount(Child(Root(), "A")), 2) << "a.obj and b.obj";
    SelectTab("*.*");
    EXPECT_EQ(Tree()->rowCount(Child(Root(), "A")), 3) << "a.obj, b.obj and d.bak";
}

TEST_F(FiledetailsformTest, TwoMasksFindingOneFileMakeTwoLeavesThatToggleApart)
{
    AddResult(search, "*.o*", "/v/B/", "c.obj", 200);
    Open();
    const QModelIndex folderB = Child(Root(), "B");
    ASSERT_EQ(Tree()->rowCount(folderB), 2);
    const QModelIndex first = Tree()->index(0, 0, folderB);
    const QModelIndex second = Tree()->index(1, 0, folderB);
    EXPECT_EQ(first.data().toString(), "c.obj");
    EXPECT_EQ(second.data().toString(), "c.obj");
    ClickCheck(first);
    EXPECT_NE(Check(first), Check(second));
    EXPECT_NE(Selected("*.obj", 2), Selected("*.o*", 0));
    EXPECT_EQ(Check(folderB), Qt::PartiallyChecked);
}

// With the scan's aliases a file two masks found is one file: once among
// all masks and in the totals, under each mask's tab, with one mark.
TEST_F(FiledetailsformTest, AFileTwoMasksFoundIsListedOnceAndSharesItsMark)
{
    AddResult(search, "*.o*", "/v/B/", "c.obj", 200);
    aliases[TResultRef{&search.Results.at("*.o*"), 0}] = TResultRef{&search.Results.at("*.obj"), 2};
    Open();
    EXPECT_EQ(ListNames(), (QStringList{"d.bak", "a.obj", "b.obj", "c.obj"}));
    EXPECT_EQ(form->StatusText(1), " Total: 4 (650.00 Bytes)  :  1KB = 1024 bytes");
    SelectTab("*.o*");
    ASSERT_EQ(ListNames(), QStringList{"c.obj"});
    EXPECT_EQ(Check(ListRow("c.obj")), Qt::Checked);
    ClickCheck(ListRow("c.obj"));
    EXPECT_FALSE(Selected("*.obj", 2)) << "the mark is the first finding's";
    EXPECT_EQ(selection.count(TResultRef{&search.Results.at("*.o*"), 0}), 0u);
    SelectTab("*.obj");
    EXPECT_EQ(Check(ListRow("c.obj")), Qt::Unchecked);
    EXPECT_EQ(Check(Child(Child(Root(), "B"), "c.obj")), Qt::Unchecked);
}

// A file the settings keep is shown unchecked with the reason beside its
// name, and neither a click nor Check All checks it: no view shows a check
// the purge would not honour.
TEST_F(FiledetailsformTest, AFileTheSettingsKeepShowsWhyAndIsNeverChecked)
{
    const std::string why = "kept: hidden (the settings keep hidden files)";
    kept[TResultRef{&search.Results.at("*.obj"), 1}] = why;  // b.obj
    Open();
    const auto row = [this] {
        for (int r = 0; r < List()->rowCount(); ++r)
            if (List()->index(r, 0).data().toString().contains("/b.obj"))
                return List()->index(r, 0);
        return QModelIndex();
    };
    ASSERT_TRUE(row().isValid());
    EXPECT_EQ(row().data().toString(), "/v/A/b.obj");
    EXPECT_EQ(row().siblingAtColumn(4).data().toString().toStdString(), why);
    EXPECT_EQ(row().data(Qt::ToolTipRole).toString().toStdString(), why);
    EXPECT_EQ(Check(row()), Qt::Unchecked);
    const QModelIndex leaf = Tree()->index(1, 0, Child(Root(), "A"));
    EXPECT_EQ(leaf.data().toString().toStdString(), "b.obj  (" + why + ")");
    EXPECT_EQ(Check(leaf), Qt::Unchecked);

    ClickCheck(row());
    EXPECT_EQ(Check(row()), Qt::Unchecked);
    ClickCheck(leaf);
    form->actSelectAll->trigger();
    EXPECT_FALSE(Selected("*.obj", 1));
    EXPECT_EQ(Check(row()), Qt::Unchecked);
    EXPECT_TRUE(form->StatusText(0).startsWith(" Current View: 3 (350.00 Bytes) of 4 (650.00 Bytes)"))
        << form->StatusText(0).toStdString();
}

TEST_F(FiledetailsformTest, FolderDepthMovesDeeperFoldersIntoTheLeaf)
{
    AddResult(search, "*.obj", "/v/A/B/C/", "f.obj", 1);
    Open();
    form->SetFolderDepth(1);
    const QModelIndex folderA = Child(Root(), "A");
    const QModelIndex leaf = Child(folderA, "B/C/f.obj");
    EXPECT_EQ(form->NodePath(leaf), "/v/A/B/C/f.obj");
    EXPECT_EQ(form->NodePath(folderA), "/v/A");
    EXPECT_EQ(Tree()->rowCount(folderA), 4) << "a.obj, b.obj, d.bak and the deep file's leaf";
    // Open Containing Folder opens the file's own folder, not the node above
    // the leaf.
    form->tvResults->setCurrentIndex(leaf);
    emit form->tvResults->customContextMenuRequested(QPoint(-5, -5));
    form->puiOpenContainingFolder->trigger();
    EXPECT_EQ(opened, QStringList{"/v/A/B/C"});
    form->SetFolderDepth(0);
    EXPECT_EQ(Tree()->rowCount(Child(Child(Child(Root(), "A"), "B"), "C")), 1);
}

// The list at the window's default size keeps the defined widths and
// shows the reason last; a long path loses its middle, not the file name;
// the Name column takes the width the window gains; the list has the
// larger share of the height.
TEST_F(FiledetailsformTest, TheNameColumnStretchesAndLongPathsLoseTheirMiddle)
{
    Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QHeaderView* header = form->lvResults->header();
    ASSERT_EQ(List()->columnCount(), 5);
    EXPECT_EQ(List()->headerData(4, Qt::Horizontal).toString(), "Reason");
    const int widths[] = {350, 80, 120, 120, 200};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(header->sectionSize(c), widths[c]) << "column " << c;
    EXPECT_EQ(form->lvResults->textElideMode(), Qt::ElideMiddle);
    EXPECT_GT(form->lvResults->height(), form->tvResults->height());

    form->resize(1500, 900);
    QCoreApplication::processEvents();
    const int viewport = form->lvResults->viewport()->width();
    EXPECT_GT(header->sectionSize(0), 350);
    EXPECT_EQ(header->sectionSize(0), viewport - (80 + 120 + 120 + 200)) << "the list is filled, never wider";
    for (int c = 1; c < 5; ++c)
        EXPECT_EQ(header->sectionSize(c), widths[c]) << "column " << c;
    EXPECT_GT(form->lvResults->height(), form->tvResults->height());
    form->hide();
}

TEST_F(FiledetailsformTest, SortingByEachColumnAndBack)
{
    Open();
    SelectTab("*.obj");
    // No column counts as sorted at the start: the first click on "Name"
    // sorts ascending like any other column.
    form->SortList(TListColumn::Modified);
    form->SortList(TListColumn::Name);
    EXPECT_EQ(ListNames(), (QStringList{"a.obj", "b.obj", "c.obj"}));
    form.reset();
    Open();
    SelectTab("*.obj");
    form->SortList(TListColumn::Name);
    EXPECT_EQ(ListNames(), (QStringList{"a.obj", "b.obj", "c.obj"}));
    EXPECT_EQ(form->lvResults->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    struct TCase {
        TListColumn Column;
        QStringList Ascending;
    };
    const TCase cases[] = {
        {TListColumn::Size, {"a.obj", "c.obj", "b.obj"}},
        {TListColumn::Created, {"a.obj", "b.obj", "c.obj"}},
        {TListColumn::Modified, {"c.obj", "b.obj", "a.obj"}},
        {TListColumn::Name, {"a.obj", "b.obj", "c.obj"}},
    };
    for (const TCase& c : cases) {
        form->SortList(c.Column);
        EXPECT_EQ(ListNames(), c.Ascending) << static_cast<int>(c.Column);
        form->SortList(c.Column);
        QStringList descending = c.Ascending;
        std::reverse(descending.begin(), descending.end());
        EXPECT_EQ(ListNames(), descending) << static_cast<int>(c.Column);
    }
    // Toggles still reach the right file after sorting.
    ClickCheck(ListRow("b.obj"));
    EXPECT_FALSE(Selected("*.obj", 1));
    EXPECT_TRUE(Selected("*.obj", 0));
}

TEST_F(FiledetailsformTest, ExportWritesTheReportWithTheChangedSelection)
{
    Open();
    ClickCheck(ListRow("b.obj"));
    QString askedIn;
    const std::string report = (folder / "out.html").string();
    form->ChooseReportFile = [&](const QString& initial) {
        askedIn = initial;
        return QString::fromStdString(report);
    };
    form->actExportSearchResults->trigger();
    EXPECT_EQ(askedIn.toStdString(), folder.Slash() + "Reports");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Reports"));
    const std::string html = twstesting::ReadFile(report);
    const std::size_t excluded = html.find("Files excluded from deletion");
    ASSERT_NE(excluded, std::string::npos);
    EXPECT_GT(html.find("/v/A/b.obj"), excluded);
    EXPECT_LT(html.find("/v/A/a.obj"), excluded);
    EXPECT_LT(html.find("/v/B/c.obj"), excluded);
    EXPECT_EQ(opened, QStringList{QString::fromStdString(report)}) << "the report is opened";

    form->ChooseReportFile = [](const QString&) { return QString(); };
    opened.clear();
    form->actExportSearchResults->trigger();
    EXPECT_TRUE(opened.isEmpty()) << "a cancelled dialog writes and opens nothing";
}

TEST_F(FiledetailsformTest, UnselectedFilesShowTheirReasonAndTreePathsOpen)
{
    search.Results.clear();
    AddResult(search, "*.obj", "/v/A/", "kept.obj", 5);
    Open();
    const TResultRef kept{&search.Results.at("*.obj"), 0};
    selection[kept] = false;
    reasons[kept] = "a project links it";
    form->SetFolderDepth(0);
    const QModelIndex leaf = Child(Child(Root(), "A"), "kept.obj");
    EXPECT_EQ(Check(leaf), Qt::Unchecked);
    EXPECT_EQ(leaf.data(Qt::ToolTipRole).toString(), "a project links it");
    EXPECT_EQ(ListRow("kept.obj").data(Qt::ToolTipRole).toString(), "a project links it");
    // The popup works on the tree's current node.
    form->tvResults->setCurrentIndex(leaf);
    emit form->tvResults->customContextMenuRequested(QPoint(-5, -5));  // over no node
    form->puiOpenContainingFolder->trigger();
    EXPECT_EQ(opened, QStringList{"/v/A"});
    EXPECT_FALSE(form->puiOpenSelectedFolder->isVisible());
}

}  // namespace
}  // namespace tidewash

namespace tidewash {
namespace {

// The text and title of the next modal box, which is then closed.
struct TBoxSeen {
    QString Title, Text;
};
void CloseNextBox(TBoxSeen& seen)
{
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text()};
        box->close();
    });
}

TEST_F(FiledetailsformTest, AnExportThatCannotBeWrittenIsShownAndTheWindowStays)
{
    Open();
    form->ChooseReportFile = [this](const QString&) { return QString::fromStdString(folder.Slash()); };
    TBoxSeen seen;
    CloseNextBox(seen);
    form->actExportSearchResults->trigger();
    EXPECT_EQ(seen.Title, "Export Failed");
    EXPECT_TRUE(seen.Text.contains(QString::fromStdString(folder.Slash()))) << seen.Text.toStdString();
    EXPECT_TRUE(opened.isEmpty()) << "nothing was written, so nothing is opened";
}

TEST_F(FiledetailsformTest, ShellFailuresAreShownAndLocationsCopied)
{
    Open();
    const QModelIndex folderB = Child(Root(), "B");
    form->tvResults->setCurrentIndex(folderB);
    emit form->tvResults->customContextMenuRequested(QPoint(-5, -5));
    EXPECT_TRUE(form->puiOpenSelectedFolder->isVisible());
    EXPECT_FALSE(form->puiOpenContainingFolder->isVisible());
    form->puiCopyLocationToClipboard->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/v/B");

    form->lvResults->setCurrentIndex(ListRow("d.bak"));
    form->CopyLocationToClipboard1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/v/A/d.bak");

    form->OpenWithShell = [](const QString&) { return false; };
    TBoxSeen seen;
    CloseNextBox(seen);
    form->puiOpenSelectedFolder->trigger();
    EXPECT_EQ(seen.Title, "Operation Failed");
    EXPECT_EQ(seen.Text, "Failed to open the selected file or folder.");
}

TEST_F(FiledetailsformTest, AutoExpandOpensTheSelectedNode)
{
    Open();
    const QModelIndex folderA = Child(Root(), "A");
    form->tvResults->setCurrentIndex(folderA);
    EXPECT_FALSE(form->tvResults->isExpanded(folderA));
    form->AutoExpand1->trigger();
    const QModelIndex folderB = Child(Root(), "B");
    form->tvResults->setCurrentIndex(folderB);
    EXPECT_TRUE(form->tvResults->isExpanded(folderB));
    form->tvResults->setCurrentIndex(folderA);
    EXPECT_TRUE(form->tvResults->isExpanded(folderA));
    EXPECT_FALSE(form->tvResults->isExpanded(folderB));
}

}  // namespace
}  // namespace tidewash

namespace tidewash {
namespace {

// A real click on the check indicator at the left of an item.
void MouseOnCheck(QTreeView* view, const QModelIndex& index)
{
    const QRect item = view->visualRect(index);
    ASSERT_TRUE(item.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(item.left() + 10, item.center().y()));
}

TEST_F(FiledetailsformTest, MouseClicksOnTheCheckIndicatorsToggle)
{
    Open();
    form->show();
    form->tvResults->expandAll();
    QApplication::processEvents();
    MouseOnCheck(form->lvResults, ListRow("c.obj"));
    EXPECT_FALSE(Selected("*.obj", 2));
    EXPECT_EQ(Check(Child(Root(), "B")), Qt::Unchecked);
    MouseOnCheck(form->tvResults, Child(Root(), "B"));
    EXPECT_TRUE(Selected("*.obj", 2));
    MouseOnCheck(form->tvResults, Child(Child(Root(), "A"), "a.obj"));
    EXPECT_FALSE(Selected("*.obj", 0));
    EXPECT_EQ(Check(ListRow("a.obj")), Qt::Unchecked);
}

}  // namespace
}  // namespace tidewash

namespace tidewash {
namespace {

// A large tree is built with its progress shown and pending events
// processed: a timer due when the build starts fires during it, sees the
// progress bar part way and the hourglass.
TEST_F(FiledetailsformTest, ALargeTreeBuildShowsProgressAndLetsTimersRun)
{
    constexpr int kResults = 100000;
    for (int i = 0; i < kResults; ++i)
        AddResult(search, "*.obj", "/v/F" + std::to_string(i % 100) + "/", "f" + std::to_string(i) + ".obj", 1);
    Open();
    struct TSeen {
        bool Fired = false;
        bool BarShown = false;
        int Position = 0;
        bool Hourglass = false;
    };
    const struct {
        const char* What;
        std::function<void()> Act;
    } cases[] = {
        {"a new folder depth", [this] { form->SetFolderDepth(1); }},
        {"Check All", [this] { form->actSelectAll->trigger(); }},
        {"Uncheck All", [this] { form->actUnselectAll->trigger(); }},
    };
    for (const auto& c : cases) {
        TSeen seen;
        QTimer::singleShot(0, [this, &seen] {
            const QCursor* cursor = QApplication::overrideCursor();
            seen = {true, !form->pbarBuildViewProgress->isHidden(), form->pbarBuildViewProgress->value(),
                    cursor != nullptr && cursor->shape() == Qt::WaitCursor};
        });
        c.Act();
        EXPECT_TRUE(seen.Fired) << c.What;
        EXPECT_TRUE(seen.BarShown) << c.What;
        EXPECT_GT(seen.Position, 0) << c.What;
        EXPECT_LT(seen.Position, kResults) << c.What;
        EXPECT_TRUE(seen.Hourglass) << c.What;
        EXPECT_TRUE(form->pbarBuildViewProgress->isHidden()) << c.What;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.What;
    }
    EXPECT_FALSE(Selected("*.obj", 0));
}

}  // namespace
}  // namespace tidewash
