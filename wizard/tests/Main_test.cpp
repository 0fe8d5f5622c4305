// The wizard's window driven as a user would, against the real handler
// registered in a temporary registry, on a generated volume, with a
// temporary trash and runs folder.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "Classes.hpp"
#include "GlyphPixels.h"
#include "HandlerFixture.h"
#include "Historyform.h"
#include "Main.h"
#include "SettingsFile.h"
#include "Twsresname.h"

using namespace handlertest;

namespace {

void EnsureOffscreenApplication()
{
    if (QApplication::instance() != nullptr)
        return;
    // Offscreen unless told otherwise (scripts/screenshots.sh uses an X server).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "wizard_Main_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // kept to the end: the handler's window uses it too
}

// The history window the wizard has up, or null.
TfrmHistory* ShownHistory()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmHistory" && top->isVisible())
            return dynamic_cast<TfrmHistory*>(top);
    return nullptr;
}

struct TMessage {
    TMessageKind Kind;
    QString Caption, Text;
};

class WizardTest : public HandlerFixture {
protected:
    void SetUp() override
    {
        HandlerFixture::SetUp();
        if (HasFatalFailure())
            return;
        EnsureOffscreenApplication();
        ::setenv("XDG_STATE_HOME", (base / "state").c_str(), 1);
        // The images beside the handler, as an installation has them.
        fs::copy_file(zelcomtest::BuildOut() + "/" + TWSRES_FILE_NAME, install / TWSRES_FILE_NAME);
        Configure(false);
    }
    void TearDown() override
    {
        FWindow.reset();
        ::unsetenv("XDG_STATE_HOME");
        HandlerFixture::TearDown();
    }

    void Configure(bool trash, const std::vector<std::string>& excludedVolumes = {})
    {
        std::vector<std::string> excluded = excludedVolumes;
        excluded.push_back(outside.string() + "/");
        twstesting::TSettingsFile settings;
        settings.ActiveMasks = "*.obj,*.bak";
        settings.UseRecycleBin = trash;
        settings.ExcludedVolumes = excluded;
        WriteConfig(settings.Text());
    }

    // The window over the test volume and one the settings exclude.
    TfrmMain& Window()
    {
        TWizardServices services;
        services.ListVolumes = [this](TStrings* volumes) {
            volumes->Add("Outside  (" + outside.string() + "/)=" + outside.string() + "/");
            volumes->Add("Test  (" + Volume() + ")=" + Volume());
        };
        services.MessageBox = [this](TMessageKind kind, const QString& caption, const QString& text) {
            Messages.push_back({kind, caption, text});
        };
        services.OpenWithShell = [this](const QString& path) {
            Opened.push_back(path);
            return ShellAnswer;
        };
        services.Ask = [this](const QString& caption, const QString& question) {
            Questions.push_back(caption + ": " + question);
            PictureOfQuestion(caption, question);
            if (Answers.empty())
                return true;
            const bool yes = Answers.front();
            Answers.pop_front();
            return yes;
        };
        FWindow = std::make_unique<TfrmMain>(services);
        FWindow->show();
        return *FWindow;
    }

    // Records every status text the window shows from now on.
    void RecordStatus(TfrmMain& w)
    {
        QObject::connect(w.sbarMain, &QStatusBar::messageChanged, w.sbarMain,
                         [this](const QString& text) { Statuses.push_back(text); });
    }

    void Scan(TfrmMain& w)
    {
        QTest::mouseClick(w.btnCheckSpace, Qt::LeftButton);
        ASSERT_EQ(w.pcMain->currentWidget(), w.tsStep2) << "the scan did not end in its totals";
    }

    static bool TabShown(TfrmMain& w, QWidget* step) { return w.pcMain->isTabVisible(w.pcMain->indexOf(step)); }

    // Step 2's mask lines as "mask | files | size".
    static std::vector<std::string> MaskRows(TfrmMain& w)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < w.lvMasks->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = w.lvMasks->topLevelItem(i);
            rows.push_back((item->text(0) + " | " + item->text(1) + " | " + item->text(2)).toStdString());
        }
        return rows;
    }

    // Saves a picture of the window for the documentation when asked to.
    static void Picture(TfrmMain& w, const char* name)
    {
        const char* folder = std::getenv("WIZARD_SCREENSHOT_DIR");
        if (folder != nullptr) {
            EXPECT_TRUE(w.grab().save(QString(folder) + "/" + name));
        }
    }

    // The first question of the program (the purge into the trash), as the
    // wizard shows it, for the documentation when pictures are asked for.
    void PictureOfQuestion(const QString& caption, const QString& question)
    {
        const char* folder = std::getenv("WIZARD_SCREENSHOT_DIR");
        if (folder == nullptr || FQuestionPictured)
            return;
        FQuestionPictured = true;
        const std::unique_ptr<QMessageBox> box = QuestionBox(caption, question);
        box->show();
        QTest::qWait(200);
        EXPECT_TRUE(box->grab().save(QString(folder) + "/wizard-purge-question.png"));
    }

    std::vector<TMessage> Messages;
    std::vector<QString> Opened;
    std::vector<QString> Statuses;
    std::vector<QString> Questions;
    std::deque<bool> Answers;  // for the questions; yes when empty
    bool ShellAnswer = true;

private:
    std::unique_ptr<TfrmMain> FWindow;
    static inline bool FQuestionPictured = false;  // once per program: the first question
};

TEST_F(WizardTest, TheDriveListOffersTheVolumesTheSettingsDoNotExclude)
{
    struct TCase {
        bool ExcludeTest;
        int Entries;
        bool ScanEnabled;
    } const cases[] = {{false, 1, true}, {true, 0, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.ExcludeTest ? "every volume excluded" : "one volume excluded");
        Configure(false, c.ExcludeTest ? std::vector<std::string>{Volume()} : std::vector<std::string>{});
        TfrmMain& w = Window();
        EXPECT_EQ(w.windowTitle(), "TWS Utility");
        ASSERT_EQ(w.cboxDrives->count(), c.Entries);
        if (c.Entries > 0) {
            EXPECT_EQ(w.cboxDrives->itemText(0).toStdString(), "Test  (" + Volume() + ")");
            EXPECT_FALSE(w.cboxDrives->itemIcon(0).isNull()) << "the drive glyph";
        }
        EXPECT_EQ(w.btnCheckSpace->isEnabled(), c.ScanEnabled);
        EXPECT_FALSE(w.btnAbortCheckSpace->isEnabled());
        EXPECT_TRUE(TabShown(w, w.tsStep1));
        EXPECT_FALSE(TabShown(w, w.tsStep2));
        EXPECT_FALSE(TabShown(w, w.tsStep3));
        // Nothing to scan is no step and no index out of range.
        w.actCheckSpace->trigger();
        EXPECT_EQ(w.pcMain->currentWidget(), c.Entries > 0 ? w.tsStep2 : w.tsStep1);
        EXPECT_TRUE(Messages.empty());
    }
}

TEST_F(WizardTest, EveryGlyphShowsItsPictureWithoutTheFuchsiaBackground)
{
    TfrmMain& w = Window();
    const std::pair<const char*, QIcon> glyphs[] = {
        {"Scan...", w.btnCheckSpace->icon()},     {"Abort", w.btnAbortCheckSpace->icon()},
        {"Back", w.btnBackTo1->icon()},           {"Review...", w.btnReviewScan->icon()},
        {"Purge", w.btnPurge->icon()},            {"Scan Again", w.btnScanAgain->icon()},
        {"View Report", w.btnReviewReport->icon()}, {"Close", w.btnClose->icon()},
        {"the drive list", w.cboxDrives->itemIcon(0)},
    };
    for (const auto& [name, icon] : glyphs) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(icon.isNull()) << "no glyph loaded";
        const twstesting::TGlyphPixels pixels = twstesting::CountGlyphPixels(icon);
        EXPECT_EQ(pixels.Fuchsia, 0);
        EXPECT_GT(pixels.Transparent, 0);
        EXPECT_GT(pixels.Drawn, 0);
    }
}

TEST_F(WizardTest, AScanShowsTheTotalsAndBackStartsOverOnAFreshHandler)
{
    MakeFile("p/a.obj", 1000);
    MakeFile("p/b.obj", 1048);
    MakeFile("q/c.bak", 50);
    MakeFile("q/keep.txt", 70);
    TfrmMain& w = Window();
    Picture(w, "wizard-1-scan.png");
    RecordStatus(w);
    Scan(w);
    EXPECT_EQ(Statuses.front(), " Scanning...");
    EXPECT_TRUE(w.lblScanProgress->text().endsWith("KB")) << w.lblScanProgress->text().toStdString();
    EXPECT_EQ(w.sbarMain->currentMessage(), "");
    EXPECT_EQ(w.lblSelectedCount->text(), "3");
    EXPECT_EQ(w.lblTotalCount->text(), "3");
    EXPECT_EQ(w.lblSelectedSize->text(), "2.05 KB");  // 2098 bytes
    EXPECT_EQ(w.lblTotalSize->text(), "2.05 KB");
    EXPECT_EQ(w.btnReviewScan->text(), "&Review...");
    EXPECT_TRUE(w.btnPurge->isEnabled());
    EXPECT_TRUE(TabShown(w, w.tsStep2));
    EXPECT_FALSE(TabShown(w, w.tsStep1));
    Picture(w, "wizard-2-review.png");

    QTest::mouseClick(w.btnBackTo1, Qt::LeftButton);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep1);
    EXPECT_EQ(w.sbarMain->currentMessage(), "");
    EXPECT_FALSE(w.lblScanProgress->isVisible());
    EXPECT_TRUE(w.btnCheckSpace->isEnabled());
    // A second scan runs on a new handler and finds the same.
    Scan(w);
    EXPECT_EQ(w.lblTotalCount->text(), "3");
}

TEST_F(WizardTest, AbortStopsTheScanAndTheWindowRefusesToCloseMeanwhile)
{
    for (int i = 0; i < 20; ++i)
        MakeFile("d" + std::to_string(i) + "/x.obj");
    TfrmMain& w = Window();
    bool wasBusy = false;
    // Runs inside the scan, from the first progress notification.
    QTimer::singleShot(0, &w, [&] {
        wasBusy = w.Busy();
        EXPECT_TRUE(w.btnAbortCheckSpace->isEnabled());
        EXPECT_FALSE(w.btnCheckSpace->isEnabled());
        EXPECT_FALSE(w.close());
        QTest::mouseClick(w.btnAbortCheckSpace, Qt::LeftButton);
        EXPECT_EQ(w.sbarMain->currentMessage(), " Aborting...");
    });
    QTest::mouseClick(w.btnCheckSpace, Qt::LeftButton);
    EXPECT_TRUE(wasBusy);
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Warning);
    EXPECT_EQ(Messages[0].Caption, "Close Application");
    EXPECT_EQ(Messages[0].Text, "Unable to close the application\nwhile processing a scan or purge.");
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep1);
    EXPECT_EQ(w.sbarMain->currentMessage(), " Process Aborted.");
    EXPECT_TRUE(w.btnCheckSpace->isEnabled());
    EXPECT_FALSE(w.btnAbortCheckSpace->isEnabled());
    EXPECT_FALSE(w.Busy());

    // Scanning again after the abort works, and once idle the window closes.
    Scan(w);
    EXPECT_EQ(w.lblTotalCount->text(), "20");
    EXPECT_TRUE(w.close());
    EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(WizardTest, UncheckingEverythingInTheReviewDisablesPurge)
{
    const fs::path a = MakeFile("a.obj", 10), b = MakeFile("sub/b.bak", 20);
    TfrmMain& w = Window();
    Scan(w);
    bool reviewed = false;
    QTimer::singleShot(0, &w, [&] {
        QDialog* review = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmFileDetails" && top->isVisible())
                review = qobject_cast<QDialog*>(top);
        ASSERT_NE(review, nullptr);
        // A second review, a purge or a close must wait for this one.
        EXPECT_FALSE(w.btnPurge->isEnabled());
        w.actPurge->trigger();
        EXPECT_FALSE(w.close());
        QTreeView* tree = review->findChild<QTreeView*>("tvResults");
        EXPECT_TRUE(QTest::qWaitFor([&] { return tree->model()->rowCount(tree->model()->index(0, 0)) > 0; }));
        for (QAction* action : review->findChildren<QAction*>())
            if (action->text() == "Uncheck All")
                action->trigger();
        reviewed = true;
        review->accept();
    });
    QTest::mouseClick(w.btnReviewScan, Qt::LeftButton);
    EXPECT_TRUE(reviewed);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep2);
    EXPECT_EQ(w.lblSelectedCount->text(), "0");
    EXPECT_EQ(w.lblSelectedSize->text(), "0.00 Bytes");
    EXPECT_EQ(w.lblTotalCount->text(), "2");
    EXPECT_FALSE(w.btnPurge->isEnabled());
    EXPECT_TRUE(w.btnBackTo1->isEnabled());
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(fs::exists(b));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Close Application");
}

TEST_F(WizardTest, APurgeIntoTheTrashShowsItsProgressReportAndCanBeUndone)
{
    Configure(true);
    const fs::path a = MakeFile("a/1.obj", 300), b = MakeFile("b/2.obj", 100), c = MakeFile("c/3.bak", 0);
    TfrmMain& w = Window();
    Scan(w);
    // Asked once, naming what and where; No leaves everything.
    Answers.push_back(false);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    ASSERT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Questions[0].toStdString(), "Purge: Move 3 files (400.00 Bytes) to the trash?\n\nUndo can put them back.");
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep2);
    for (const fs::path& p : {a, b, c})
        EXPECT_TRUE(fs::exists(p)) << p;
    RecordStatus(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    EXPECT_EQ(Questions.size(), 2u);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep3);
    EXPECT_TRUE(TabShown(w, w.tsStep3));
    EXPECT_FALSE(TabShown(w, w.tsStep2));
    EXPECT_EQ(w.sbarMain->currentMessage(), "");
    for (const fs::path& p : {a, b, c})
        EXPECT_FALSE(fs::exists(p)) << p;

    // Progress climbs to all of it, in the window's words.
    ASSERT_GE(Statuses.size(), 3u);
    std::vector<QString> purging(Statuses.begin(), Statuses.end() - 1);
    for (const QString& s : purging)
        EXPECT_TRUE(s.startsWith(" Purging...") && s.endsWith("%")) << s.toStdString();
    EXPECT_EQ(purging.back(), " Purging...100.00%");
    // The two .obj files go in the order the file system listed them.
    const auto seen = [&](const char* text) { return std::find(purging.begin(), purging.end(), text) != purging.end(); };
    EXPECT_TRUE(seen(" Purging...75.00%") || seen(" Purging...25.00%"));

    const QString summary = w.lblPurgeSummary->text();
    EXPECT_TRUE(summary.startsWith("Removed 3 (400.00 Bytes), kept 0, failed 0.")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("\nMoved to the trash: " + QString::fromStdString((data / "Trash").string() + "/")))
        << summary.toStdString();
    ASSERT_FALSE(w.RunId().empty());
    EXPECT_TRUE(fs::exists(base / "state" / "tidewash" / "runs" / w.RunId() / "manifest.json"));
    EXPECT_TRUE(summary.contains(QString::fromStdString(w.RunId()))) << "the run's copy of the report";
    Picture(w, "wizard-3-purge.png");

    // The report of this purge: the run's own copy, which a later purge
    // elsewhere does not replace.
    const fs::path runReport = base / "state" / "tidewash" / "runs" / w.RunId() / "FilePurge.html";
    EXPECT_EQ(w.ReportPath(), runReport.string());
    std::ofstream(install / "Reports" / "FilePurge.html") << "<html>another purge</html>";
    QTest::mouseClick(w.btnReviewReport, Qt::LeftButton);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0].toStdString(), runReport.string());
    EXPECT_NE(ReadFile(runReport).find("1.obj"), std::string::npos) << "this run's files are in it";
    EXPECT_TRUE(Messages.empty());

    ASSERT_TRUE(w.btnUndo->isEnabled());
    QTest::mouseClick(w.btnUndo, Qt::LeftButton);
    for (const fs::path& p : {a, b, c})
        EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_EQ(fs::file_size(a), 300u);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Undo");
    EXPECT_TRUE(Messages[0].Text.startsWith("Restored 3 file(s)")) << Messages[0].Text.toStdString();
    EXPECT_FALSE(w.btnUndo->isEnabled());

    // Scan Again starts over: the restored files are found again.
    QTest::mouseClick(w.btnScanAgain, Qt::LeftButton);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep1);
    Scan(w);
    EXPECT_EQ(w.lblTotalCount->text(), "3");
}

// One scan, two faces: the host's JSON and the wizard's figures are the
// same, as both read the handler's plan per file. A hidden file is kept by
// the settings and a file two masks find is counted once in both.
TEST_F(WizardTest, TheWizardShowsTheFiguresOfTheHostsJson)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj,*.o*,*.bak";
    settings.ExcludedVolumes = {outside.string() + "/"};
    WriteConfig(settings.Text());
    MakeFile("a/1.obj", 300);
    MakeFile("a/.2.obj", 20);
    MakeFile("b/3.bak", 7);
    const fs::path json = base / "host.json";
    const std::string command = "'" + fs::absolute(zelcomtest::BuildOut()).string() + "/twscleanup' --json '" +
                                volume.string() + "' >'" + json.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const nlohmann::json summary = nlohmann::json::parse(ReadFile(json)).at("summary");
    EXPECT_EQ(summary["found"], (nlohmann::json{{"files", 3}, {"bytes", 327}}));
    EXPECT_EQ(summary["remove"], (nlohmann::json{{"files", 2}, {"bytes", 307}}));
    EXPECT_EQ(summary["kept"], (nlohmann::json{{"files", 1}, {"bytes", 20}}));

    TfrmMain& w = Window();
    Scan(w);
    EXPECT_EQ(w.lblTotalCount->text().toStdString(), summary["found"]["files"].dump());
    EXPECT_EQ(w.lblSelectedCount->text().toStdString(), summary["remove"]["files"].dump());
    // One line per mask: the hidden file is found by two masks and goes
    // under neither; the totals above count every file once.
    EXPECT_EQ(MaskRows(w), (std::vector<std::string>{"*.bak | 1 | 7.00 Bytes", "*.o* | 1 of 2 | 300.00 Bytes",
                                                     "*.obj | 1 of 2 | 300.00 Bytes"}));
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    EXPECT_TRUE(w.lblPurgeSummary->text().startsWith("Removed 2 (307.00 Bytes), kept 1, failed 0."))
        << w.lblPurgeSummary->text().toStdString();
}

// A settings file the handler refuses: the wizard shows the handler's
// reason, naming the file, not only that the scan stopped.
TEST_F(WizardTest, AScanThatStopsShowsTheHandlersReason)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj,*";
    WriteConfig(settings.Text());
    MakeFile("a.obj");
    TfrmMain& w = Window();
    QTest::mouseClick(w.btnCheckSpace, Qt::LeftButton);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsStep1);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Scan not completed");
    const std::string text = Messages[0].Text.toStdString();
    EXPECT_NE(text.find("The settings file \"" + (install / "TWS.cfg").string() + "\" cannot be used"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("matches every file name"), std::string::npos) << text;
}

// A trash that cannot take the files: the purge is not offered, its reason
// is told once. Files replaced since the scan: after the purge the reasons
// come once each. A permanent deletion: the question says so.
TEST_F(WizardTest, APurgeTellsPermanenceAndGroupsTheReasonsOfFailures)
{
    Configure(true);
    twstesting::WriteFile(data / "Trash", "a file where the trash folder should be");
    MakeFile("a/1.obj", 3);
    MakeFile("b/2.obj", 4);
    MakeFile("b/.3.obj", 5);  // hidden: kept by the settings
    TfrmMain& w = Window();
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    EXPECT_TRUE(Questions.empty()) << "a purge that cannot work was offered";
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Messages[0].Text.toStdString(), "No file can be purged: the trash " + (data / "Trash").string() +
                                                  "/ cannot take the files: " + (data / "Trash").string() +
                                                  " is not a folder.");
    EXPECT_TRUE(w.lblPurgeSummary->text().isEmpty()) << w.lblPurgeSummary->text().toStdString();
    EXPECT_TRUE(fs::exists(Volume() + "a/1.obj"));
    fs::remove(data / "Trash");

    // Both files replaced after the scan: not the files it found.
    for (const char* name : {"a/1.obj", "b/2.obj"}) {
        fs::remove(Volume() + name);
        MakeFile(name, 6);
    }
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    ASSERT_EQ(Questions.size(), 1u);
    const QString summary = w.lblPurgeSummary->text();
    EXPECT_TRUE(summary.startsWith("Removed 0 (0.00 Bytes), kept 1, failed 2.")) << summary.toStdString();
    EXPECT_EQ(summary.count("Not removed, "), 1) << summary.toStdString();
    EXPECT_TRUE(summary.contains("\nNot removed, 2 files: ")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("\nKept, 1 file: hidden")) << summary.toStdString();

    Configure(false);
    QTest::mouseClick(w.btnScanAgain, Qt::LeftButton);
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    ASSERT_EQ(Questions.size(), 2u);
    EXPECT_EQ(Questions[1].toStdString(),
              "Purge: Delete 2 files (12.00 Bytes) permanently?\n\nThe settings do not use the trash: nothing can bring "
              "them back.");
    EXPECT_TRUE(w.lblPurgeSummary->text().contains("\nDeleted permanently")) << w.lblPurgeSummary->text().toStdString();
}

// The handler counts a file gone since the scan as never freed; its last
// notification still ends the purge, and the progress with it.
TEST_F(WizardTest, AFileGoneSinceTheScanDoesNotLeaveTheProgressShort)
{
    const fs::path gone = MakeFile("a/1.obj", 300);
    MakeFile("b/2.obj", 100);
    TfrmMain& w = Window();
    Scan(w);
    fs::remove(gone);
    RecordStatus(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    ASSERT_GE(Statuses.size(), 2u);
    EXPECT_EQ(Statuses[Statuses.size() - 2], " Purging...100.00%");
    EXPECT_EQ(Statuses.back(), "");
    EXPECT_TRUE(w.lblPurgeSummary->text().startsWith("Removed 1 (100.00 Bytes), kept 0, failed 1."))
        << w.lblPurgeSummary->text().toStdString();
}

TEST_F(WizardTest, APurgeOfNothingButEmptyFilesIsAllDone)
{
    const fs::path empty = MakeFile("e.obj", 0);
    TfrmMain& w = Window();
    Scan(w);
    EXPECT_EQ(w.lblSelectedCount->text(), "1");
    ASSERT_TRUE(w.btnPurge->isEnabled());
    RecordStatus(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    EXPECT_FALSE(fs::exists(empty));
    ASSERT_FALSE(Statuses.empty());
    EXPECT_NE(std::find(Statuses.begin(), Statuses.end(), " Purging...100.00%"), Statuses.end());
    EXPECT_TRUE(w.lblPurgeSummary->text().startsWith("Removed 1")) << w.lblPurgeSummary->text().toStdString();
    EXPECT_FALSE(w.btnUndo->isEnabled()) << "deleted for good: nothing in the trash to undo";
}

TEST_F(WizardTest, AReportThatCannotBeOpenedIsAFailure)
{
    // Before a purge of its own the window has no report to open, not even
    // one another purge left in the handler's folder.
    fs::create_directories(install / "Reports");
    std::ofstream(install / "Reports" / "FilePurge.html") << "<html></html>";
    MakeFile("a.obj");
    TfrmMain& w = Window();
    QTest::mouseClick(w.btnReviewReport, Qt::LeftButton);
    EXPECT_TRUE(Opened.empty());
    // After its purge, a shell that refuses the report.
    ShellAnswer = false;
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    QTest::mouseClick(w.btnReviewReport, Qt::LeftButton);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0].toStdString(), w.ReportPath());
    ASSERT_EQ(Messages.size(), 2u);
    for (const TMessage& m : Messages) {
        EXPECT_EQ(m.Kind, TMessageKind::Error);
        EXPECT_EQ(m.Caption, "Operation Failed");
        EXPECT_EQ(m.Text, "Failed to open the purge report.");
    }
}

// Two purges into the trash; the history lists both, the newest first, and
// undoes the one picked, not the last.
TEST_F(WizardTest, TheHistoryListsTheRunsAndUndoesThePickedOne)
{
    Configure(true);
    const fs::path first = MakeFile("a/1.obj", 30);
    TfrmMain& w = Window();
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    const std::string firstRun = w.RunId();
    // Run ids are named after the time, to the second.
    QTest::qWait(1100);
    const fs::path second = MakeFile("b/2.obj", 40);
    QTest::mouseClick(w.btnScanAgain, Qt::LeftButton);
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    const std::string secondRun = w.RunId();
    ASSERT_NE(firstRun, secondRun);
    ASSERT_FALSE(fs::exists(first));
    ASSERT_FALSE(fs::exists(second));

    std::vector<std::string> rows;
    QTimer::singleShot(0, &w, [&] {
        TfrmHistory* history = ShownHistory();
        ASSERT_NE(history, nullptr);
        const auto listed = [&] {
            std::vector<std::string> shown;
            for (int i = 0; i < history->lvRuns->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* item = history->lvRuns->topLevelItem(i);
                shown.push_back((item->text(0) + " | " + item->text(2) + " | " + item->text(3)).toStdString());
            }
            return shown;
        };
        rows = listed();
        EXPECT_FALSE(history->btnUndo->isEnabled()) << "nothing picked yet";
        history->lvRuns->topLevelItem(1)->setSelected(true);
        EXPECT_EQ(history->SelectedRun(), firstRun);
        QTest::mouseClick(history->btnUndo, Qt::LeftButton);
        // Undone: nothing of it is left in the trash to pick again.
        EXPECT_EQ(listed()[1], firstRun + " | 1 (30.00 Bytes) | nothing");
        EXPECT_EQ(history->SelectedRun(), "");
        history->accept();
    });
    QTest::mouseClick(w.btnHistory, Qt::LeftButton);
    EXPECT_EQ(rows, (std::vector<std::string>{secondRun + " | 1 (40.00 Bytes) | 1 file",
                                              firstRun + " | 1 (30.00 Bytes) | 1 file"}));
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Undo");
    EXPECT_EQ(Messages[0].Text.toStdString(), "Run " + firstRun + ": restored 1 file(s) from the trash.\nNot restored: 0.");
    // This window's own run is still in the trash.
    EXPECT_TRUE(w.btnUndo->isEnabled());
}

// A run whose record was damaged is listed with the reason and cannot be
// picked; undoing the window's own run there takes its Undo away too.
TEST_F(WizardTest, TheHistoryShowsADamagedRunAndUndoingTheOwnRunEndsItsUndo)
{
    Configure(true);
    const fs::path file = MakeFile("a/1.obj", 30);
    TfrmMain& w = Window();
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    const std::string ownRun = w.RunId();
    ASSERT_TRUE(w.btnUndo->isEnabled());
    const fs::path damaged = base / "state" / "tidewash" / "runs" / "20000101-000000";
    fs::create_directory(damaged);
    fs::permissions(damaged, fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(damaged / "manifest.json") << "not a record";

    std::vector<std::string> rows;
    QTimer::singleShot(0, &w, [&] {
        TfrmHistory* history = ShownHistory();
        ASSERT_NE(history, nullptr);
        ASSERT_EQ(history->lvRuns->topLevelItemCount(), 2);
        QTreeWidgetItem* own = history->lvRuns->topLevelItem(0);
        QTreeWidgetItem* bad = history->lvRuns->topLevelItem(1);
        EXPECT_EQ(own->text(0).toStdString(), ownRun);
        EXPECT_EQ(bad->text(0).toStdString(), "20000101-000000");
        EXPECT_TRUE(bad->text(1).startsWith("(")) << bad->text(1).toStdString();
        bad->setSelected(true);
        EXPECT_EQ(history->SelectedRun(), "") << "a damaged run cannot be picked";
        EXPECT_FALSE(history->btnUndo->isEnabled());
        own->setSelected(true);
        QTest::mouseClick(history->btnUndo, Qt::LeftButton);
        history->accept();
    });
    QTest::mouseClick(w.btnHistory, Qt::LeftButton);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_FALSE(w.btnUndo->isEnabled()) << "nothing of the window's run is left to undo";
}

// Runs deleted for good are listed to read; the heading does not invite an
// undo that none of them allows.
TEST_F(WizardTest, TheHistoryOfRunsWithNothingInTheTrashSaysSo)
{
    Configure(false);
    MakeFile("a/1.obj", 30);
    TfrmMain& w = Window();
    Scan(w);
    QTest::mouseClick(w.btnPurge, Qt::LeftButton);
    const std::string run = w.RunId();

    std::string heading, row;
    QTimer::singleShot(0, &w, [&] {
        TfrmHistory* history = ShownHistory();
        ASSERT_NE(history, nullptr);
        heading = history->lblRuns->text().toStdString();
        ASSERT_EQ(history->lvRuns->topLevelItemCount(), 1);
        const QTreeWidgetItem* item = history->lvRuns->topLevelItem(0);
        row = (item->text(0) + " | " + item->text(3)).toStdString();
        history->accept();
    });
    QTest::mouseClick(w.btnHistory, Qt::LeftButton);
    EXPECT_EQ(heading, "None of these runs left files in the trash to put back.");
    EXPECT_EQ(row, run + " | nothing");
}

TEST_F(WizardTest, AboutNamesTheProgramAndTheProduct)
{
    TfrmMain& w = Window();
    EXPECT_EQ(w.windowTitle(), "TWS Utility");
    QTest::mouseClick(w.btnAbout, Qt::LeftButton);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "About TWS Utility");
    EXPECT_TRUE(Messages[0].Text.startsWith("TWS Utility - Tidewash ")) << Messages[0].Text.toStdString();
}

}  // namespace
