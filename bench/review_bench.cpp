// review_bench: how fast the review window shows a large scan, and what it
// costs in memory.
//
//   review_bench [--results N] [--screenshot FILE.png]
//
// Builds N search results (100000 by default) in memory, spread over the
// nine default masks in project folders of about 100 files, then times the
// window's construction, the building of its tree and list and its first
// paint offscreen ("build+show"), and the slowest switch from one tab to
// another over every tab and back to the all-masks tab ("tab switch"),
// then once more over tabs shown before ("again"). Each time comes with
// the processor time the program took meanwhile, which a loaded machine
// disturbs less than the wall clock.
// Memory is the growth of the resident set over the whole window's life,
// Qt's own start-up (fonts, platform plugin) being paid before.
//
// With --screenshot, scans a small generated project tree instead and
// saves a picture of the window.
#include <QApplication>
#include <QPixmap>
#include <QTabBar>
#include <QTreeView>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Filedetailsform.h"
#include "Reviewbenchscan.h"
#include "TempFolder.h"

using namespace tidewash;
using namespace reviewbench;

namespace {

double ResidentMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's processor time so far, in seconds.
double ProcessorSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

int Screenshot(const char* file)
{
    twstesting::TTempFolder root("review-shot");
    const char* const files[] = {"Billing/Main.obj",        "Billing/Main.map",       "Billing/Main.tds",
                                 "Billing/Units/Invoice.obj", "Billing/Units/Invoice.~cpp", "Billing/Units/Tax.obj",
                                 "Billing/Units/Tax.bak",  "Reports/Report.obj",     "Reports/Report.dsk",
                                 "Reports/Report.ilk",     "Reports/Forms/Print.obj", "Reports/Forms/Print.#01",
                                 "Reports/Forms/.Print.obj"};
    int n = 0;
    for (const char* f : files) {
        std::filesystem::create_directories((root / f).parent_path());
        twstesting::WriteFile(root / f, std::string(static_cast<std::size_t>(1000 + 700 * n++), 'x'));
    }
    zelutils::TFileSearch search;
    search.GetIncludeFolders()->Add(root.Slash());
    for (const char* mask : Masks)
        search.GetIncludeFileMask()->Add(mask);
    search.Execute(nullptr);
    TFileFlags selection;
    for (const auto& [mask, results] : search.Results)
        for (std::size_t i = 0; i < results.size(); ++i)
            selection[TResultRef{&results, i}] = mask != "*.~*";
    TFileReasons reasons;
    // A hidden file, kept as the default settings keep it: unchecked with
    // the reason beside its name.
    TFileReasons kept;
    for (const auto& [mask, results] : search.Results)
        for (std::size_t i = 0; i < results.size(); ++i)
            if ((results[i].Attributes & FILE_ATTRIBUTE_HIDDEN) != 0) {
                selection[TResultRef{&results, i}] = false;
                kept[TResultRef{&results, i}] = "kept: hidden (the settings keep hidden files)";
            }
    // The resource library is built beside this program.
    const QByteArray here = (QCoreApplication::applicationDirPath() + "/").toLocal8Bit();
    TfrmFileDetails form(root.Slash(), search, selection, &reasons, here.toStdString());
    form.KeptBySettings = &kept;
    form.show();
    form.BuildViewsNow();
    form.tvResults->expandAll();
    form.lvResults->setCurrentIndex(form.lvResults->model()->index(1, 0));
    Settle();
    return ReportScreenshot(form.grab().save(file), file, selection.size());
}

}  // namespace

int main(int argc, char** argv)
{
    const TOptions options = ParseOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (options.Screenshot != nullptr)
        return Screenshot(options.Screenshot);

    zelutils::TFileSearch search;
    GenerateResults(search, options.Results, "/vol/Projects/", "/");
    TFileFlags selection = SelectAll(search);
    {
        // Qt's one-time costs (platform plugin, fonts) are not the window's.
        QWidget warmUp;
        warmUp.show();
        Settle();
    }
    const double before = ResidentMB();

    const auto start = std::chrono::steady_clock::now();
    const double startCpu = ProcessorSeconds();
    auto* form = new TfrmFileDetails("/vol/", search, selection, nullptr, "/nonexistent/");
    form->show();
    form->BuildViewsNow();
    Settle();
    const double buildShow = Since(start);
    const double buildShowCpu = ProcessorSeconds() - startCpu;

    // The slowest switch over every tab and back to all masks, first and
    // second time round: wall clock and processor time.
    double slowest[2][2] = {};
    const int tabs = form->tcMain->count();
    for (auto& round : slowest)
        for (int t = 1; t <= tabs; ++t) {
            const auto switchStart = std::chrono::steady_clock::now();
            const double switchCpu = ProcessorSeconds();
            form->tcMain->setCurrentIndex(t % tabs);  // the last one goes back to all masks
            Settle();
            round[0] = std::max(round[0], Since(switchStart));
            round[1] = std::max(round[1], ProcessorSeconds() - switchCpu);
        }
    const double memory = ResidentMB() - before;
    delete form;
    std::printf("review: %ld results, build+show %.2f s (processor %.2f s), tab switch %.2f s (processor %.2f s), "
                "again %.2f s (processor %.2f s), memory %.0f MB\n",
                options.Results, buildShow, buildShowCpu, slowest[0][0], slowest[0][1], slowest[1][0],
                slowest[1][1], memory);
    return 0;
}
