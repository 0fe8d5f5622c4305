// The review window as the hosts reach it: ShowProperties through COM, then
// the statistics and the purge see what the user changed.
#include <QAbstractItemModel>
#include <QApplication>
#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QTreeView>
#include <functional>
#include <map>

#include "HandlerFixture.h"
#include "ReviewTesting.h"
#include "SettingsFile.h"
#include "TempFolder.h"

using namespace handlertest;

namespace {

using THandler = zelcomtest::TPtr<IEmptyVolumeCache2>;

QDialog* ReviewWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmFileDetails")
            return qobject_cast<QDialog*>(w);
    return nullptr;
}

// Runs body inside the modal window once its views are built, then closes
// the window with OK.
void WhileShown(const std::function<void(QDialog&)>& body)
{
    QTimer::singleShot(0, [body] {
        QDialog* window = ReviewWindow();
        ASSERT_NE(window, nullptr);
        const auto tree = [window] { return window->findChild<QTreeView*>("tvResults"); };
        EXPECT_TRUE(QTest::qWaitFor([&] { return tree()->model()->rowCount(tree()->model()->index(0, 0)) > 0; }));
        body(*window);
        window->accept();
    });
}

QModelIndex Find(QAbstractItemModel* model, const QModelIndex& parent, const QString& text)
{
    for (int r = 0; r < model->rowCount(parent); ++r)
        if (model->index(r, 0, parent).data().toString().endsWith(text))
            return model->index(r, 0, parent);
    ADD_FAILURE() << "nothing ends in " << text.toStdString();
    return {};
}

void ClickCheck(const QModelIndex& i)
{
    const_cast<QAbstractItemModel*>(i.model())->setData(i, Qt::Unchecked, Qt::CheckStateRole);
}

class HandlerReviewTest : public HandlerFixture {
protected:
    void SetUp() override
    {
        HandlerFixture::SetUp();
        twstesting::TSettingsFile settings;
        settings.ActiveMasks = "*.obj,*.bak";
        settings.UseRecycleBin = false;
        WriteConfig(settings.Text());
    }
};

// An installation whose view module is missing, or is some other module,
// shows no window and says why; the scan's results stay usable.
TEST_F(HandlerReviewTest, WithoutItsViewModuleNoWindowIsShownAndTheReasonIsTold)
{
    struct TCase {
        const char* Name;
        bool ForeignModule;  // another module in its place, else none
        HRESULT Expected;
    };
    const TCase cases[] = {
        {"missing", false, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"another module", true, HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)},
    };
    reviewtest::EnsureOffscreenApplication();
    const fs::path file = MakeFile("a/1.obj", 10);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove(ReviewModule());
        if (c.ForeignModule)
            fs::copy_file(zelcomtest::BuildOut() + "/" + TWSRES_FILE_NAME, ReviewModule());
        THandler handler(CreateHandler());
        DWORDLONG space = 0;
        ASSERT_EQ(Scan(handler.get(), space), S_OK);
        EXPECT_EQ(handler->ShowProperties(nullptr), c.Expected);
        EXPECT_EQ(handler->ShowProperties(nullptr), c.Expected) << "a second try finds the same";
        EXPECT_EQ(ReviewWindow(), nullptr);
        EXPECT_EQ(Stats(handler.get()).SelectedCount, 1);
        DWORD flags = 0;
        EXPECT_EQ(handler->Deactivate(&flags), S_OK);
    }
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(HandlerReviewTest, WithoutADisplayNoWindowCanBeMade)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process without an application
    EXPECT_EXIT(
        {
            qunsetenv("QT_QPA_PLATFORM");
            qunsetenv("DISPLAY");
            qunsetenv("WAYLAND_DISPLAY");
            THandler handler(CreateHandler());
            DWORDLONG space = 0;
            Scan(handler.get(), space);
            const HRESULT hr = handler->ShowProperties(nullptr);
            const bool refused = hr == E_OUTOFMEMORY && QApplication::instance() == nullptr;
            // This process made its own fixture folders and ends here,
            // without the fixture's teardown: they go first.
            twstesting::RemoveTree(base);
            std::exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(HandlerReviewTest, APurgeAfterReviewDeletesExactlyTheCheckedFiles)
{
    reviewtest::EnsureOffscreenApplication();
    const fs::path one = MakeFile("a/1.obj", 10), two = MakeFile("a/2.obj", 20), three = MakeFile("b/3.obj", 30),
                   four = MakeFile("c/4.bak", 40);
    THandler handler(CreateHandler());
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(space, 100u);

    WhileShown([](QDialog& window) {
        QAbstractItemModel* list = window.findChild<QTreeView*>("lvResults")->model();
        QAbstractItemModel* tree = window.findChild<QTreeView*>("tvResults")->model();
        ClickCheck(Find(list, {}, "/2.obj"));
        ClickCheck(Find(tree, tree->index(0, 0), "b"));  // the folder: every file below it
    });
    ASSERT_EQ(handler->ShowProperties(nullptr), S_OK);
    auto stats = Stats(handler.get());
    EXPECT_EQ(stats.SelectedCount, 2);
    EXPECT_EQ(stats.SelectedSize, 50);
    EXPECT_EQ(stats.TotalCount, 4);

    // The window keeps its state between shows.
    QDialog* first = ReviewWindow();
    WhileShown([first](QDialog& window) {
        EXPECT_EQ(&window, first);
        QAbstractItemModel* list = window.findChild<QTreeView*>("lvResults")->model();
        EXPECT_EQ(Find(list, {}, "/2.obj").data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        EXPECT_EQ(Find(list, {}, "/1.obj").data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    });
    ASSERT_EQ(handler->ShowProperties(nullptr), S_OK);

    ASSERT_EQ(Purge(handler.get(), 50), S_OK);
    EXPECT_FALSE(fs::exists(one));
    EXPECT_TRUE(fs::exists(two));
    EXPECT_TRUE(fs::exists(three));
    EXPECT_FALSE(fs::exists(four));

    DWORD flags = 0xFFFFFFFF;
    EXPECT_EQ(handler->Deactivate(&flags), S_OK);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(ReviewWindow(), nullptr);
    EXPECT_EQ(handler->Deactivate(&flags), S_OK);
}

// The window, the statistics and the per-file plan tell one story: a
// hidden file the settings keep shows kept with its reason and is never
// checked, and a file two masks found is one file with one mark.
TEST_F(HandlerReviewTest, KeptFilesShowTheirReasonAndOverlappingMasksShowOneFile)
{
    reviewtest::EnsureOffscreenApplication();
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj,*.o*";
    WriteConfig(settings.Text());
    const fs::path hidden = MakeFile("a/.h.obj", 5), both = MakeFile("a/b.obj", 10);
    THandler handler(CreateHandler());
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(space, 10u) << "the space the purge frees: the hidden file is kept";
    auto stats = Stats(handler.get());
    EXPECT_EQ(stats.TotalCount, 2);
    EXPECT_EQ(stats.TotalSize, 15);
    EXPECT_EQ(stats.SelectedCount, 1);
    EXPECT_EQ(stats.SelectedSize, 10);

    WhileShown([](QDialog& window) {
        QAbstractItemModel* list = window.findChild<QTreeView*>("lvResults")->model();
        EXPECT_EQ(list->rowCount(), 2) << "each file once among all masks";
        const QModelIndex kept = Find(list, {}, "/.h.obj");
        EXPECT_EQ(kept.siblingAtColumn(4).data().toString(), "kept: hidden (the settings keep hidden files)");
        EXPECT_EQ(kept.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        const_cast<QAbstractItemModel*>(kept.model())->setData(kept, Qt::Checked, Qt::CheckStateRole);
        EXPECT_EQ(kept.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        // Unchecked under the second mask's tab, unchecked under the first.
        auto* tabs = window.findChild<QTabBar*>("tcMain");
        ASSERT_NE(tabs, nullptr);
        for (int t = 0; t < tabs->count(); ++t)
            if (tabs->tabText(t) == "*.o*")
                tabs->setCurrentIndex(t);
        ClickCheck(Find(list, {}, "/b.obj"));
        for (int t = 0; t < tabs->count(); ++t)
            if (tabs->tabText(t) == "*.obj")
                tabs->setCurrentIndex(t);
        EXPECT_EQ(Find(list, {}, "/b.obj").data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    });
    ASSERT_EQ(handler->ShowProperties(nullptr), S_OK);
    stats = Stats(handler.get());
    EXPECT_EQ(stats.SelectedCount, 0);
    EXPECT_EQ(stats.TotalCount, 2);

    ITidewashResults* results = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results)), S_OK);
    LONG count = 0;
    ASSERT_EQ(results->GetFileCount(&count), S_OK);
    ASSERT_EQ(count, 2);
    std::map<std::string, std::pair<DWORD, std::string>> plans;
    for (LONG i = 0; i < count; ++i) {
        TWS_FILE_RESULT r{};
        ASSERT_EQ(results->GetFile(i, &r), S_OK);
        plans[Narrow(r.Path)] = {r.Plan, r.PlanReason == nullptr ? "" : Narrow(r.PlanReason)};
        TwsClearFileResult(r);
    }
    results->Release();
    EXPECT_EQ(plans[hidden.string()],
              std::make_pair(DWORD{TWS_PLAN_KEEP_HIDDEN}, std::string("kept: hidden (the settings keep hidden files)")));
    EXPECT_EQ(plans[both.string()].first, DWORD{TWS_PLAN_UNSELECTED});
}

// ShowProperties(hwnd) makes the window the caller's: transient for its
// window (so it opens above it), staying on top when the caller does; the
// caller's window going first leaves the handler's window to the handler.
TEST_F(HandlerReviewTest, TheWindowIsOwnedByTheCallersWindow)
{
    reviewtest::EnsureOffscreenApplication();
    MakeFile("x.obj");
    THandler handler(CreateHandler());
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    auto caller = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    caller->show();
    QWindow* callerWindow = caller->windowHandle();
    ASSERT_NE(callerWindow, nullptr);
    QWindow* transientFor = nullptr;
    bool onTop = false;
    WhileShown([&](QDialog& window) {
        transientFor = window.windowHandle()->transientParent();
        onTop = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
    ASSERT_EQ(handler->ShowProperties(reinterpret_cast<HWND>(caller->winId())), S_OK);
    EXPECT_EQ(transientFor, callerWindow);
    EXPECT_TRUE(onTop);
    caller.reset();
    ASSERT_NE(ReviewWindow(), nullptr) << "the handler's window outlives the caller's";
    // Without an owner (a host without windows) it stands alone.
    THandler other(CreateHandler());
    ASSERT_EQ(Scan(other.get(), space), S_OK);
    WhileShown([&](QDialog& window) { transientFor = window.windowHandle()->transientParent(); });
    DWORD flags = 0;
    handler->Deactivate(&flags);
    ASSERT_EQ(other->ShowProperties(nullptr), S_OK);
    EXPECT_EQ(transientFor, nullptr);
}

TEST_F(HandlerReviewTest, TheWindowGoesWithItsHandler)
{
    reviewtest::EnsureOffscreenApplication();
    MakeFile("x.obj");
    {
        THandler handler(CreateHandler());
        DWORDLONG space = 0;
        ASSERT_EQ(Scan(handler.get(), space), S_OK);
        WhileShown([](QDialog&) {});
        ASSERT_EQ(handler->ShowProperties(nullptr), S_OK);
        EXPECT_NE(ReviewWindow(), nullptr);
    }
    EXPECT_EQ(ReviewWindow(), nullptr);
}

TEST_F(HandlerReviewTest, AnExportThatFailsIsShownAndTheReviewEndsWell)
{
    reviewtest::EnsureOffscreenApplication();
    const fs::path file = MakeFile("x.obj");
    THandler handler(CreateHandler());
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    QString suffix, title;
    WhileShown([&](QDialog& window) {
        QAction* exportAction = nullptr;
        for (QAction* action : window.findChildren<QAction*>())
            if (action->text() == "Export to HTML")
                exportAction = action;
        ASSERT_NE(exportAction, nullptr);
        // The save dialog is answered with a place no file can be made in:
        // below a file. Then the box that follows is closed.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            suffix = dialog->defaultSuffix();
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                title = box->windowTitle();
                box->close();
            });
            dialog->selectFile(QString::fromStdString((file / "report.html").string()));
            static_cast<QDialog*>(dialog)->accept();  // as its Save button does
        });
        exportAction->trigger();
    });
    EXPECT_EQ(handler->ShowProperties(nullptr), S_OK);
    EXPECT_EQ(suffix, "html");
    EXPECT_EQ(title, "Export Failed");
    EXPECT_TRUE(fs::is_regular_file(file));
}

}  // namespace
