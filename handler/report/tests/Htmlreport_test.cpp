// The report writer on hand-made results: the rows, anchors and contents
// links, and the escaping of names.
#include "Htmlreport.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <gtest/gtest.h>

#include "TempFolder.h"

using namespace tidewash;

namespace {

zelutils::TSearchResult Found(const AnsiString& folder, const AnsiString& name)
{
    zelutils::TSearchResult r;
    r.SetPath(folder);
    r.Name = name;
    return r;
}

class HtmlReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        results["*.bak"].push_back(Found("/a/", "x.bak"));
        results["*.map"];  // found nothing in either section, still numbered
        results["*.obj"].push_back(Found("/a/", "x.obj"));
        results["*.obj"].push_back(Found("/a/", "y.obj"));
        results["*.obj"].push_back(Found("/a/", "z.obj"));
        results["*.obj"].push_back(Found("/b/", "w.obj"));
    }
    std::string Write(const AnsiString& title = "Tidewash Search Results", const TFileReasons* reasons = nullptr)
    {
        THTMLReport report(results, flags, reasons);
        report.WriteReport(file.string(), title, "Files marked for deletion", "Files excluded from deletion");
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    void Flag(const AnsiString& mask, std::size_t index, bool value) { flags[TResultRef{&results[mask], index}] = value; }

    twstesting::TTempFolder folder{"tws report"};
    const std::filesystem::path file = folder / "report.html";
    zelutils::TMaskedFileResults results;
    TFileFlags flags;
};

}  // namespace

TEST_F(HtmlReportTest, RowsAnchorsAndContentsLinks)
{
    Flag("*.bak", 0, false);
    Flag("*.obj", 0, true);
    Flag("*.obj", 1, true);
    Flag("*.obj", 2, true);
    // w.obj has no entry: listed in neither section.
    const std::string html = Write();

    EXPECT_NE(html.find("<tr style=\"font-weight: bold\"><td colspan=\"2\" rowspan=\"1\" style=\"background-color: "
                        "rgb(204, 255, 255)\">&nbsp;Files marked for deletion</td></tr>"),
              std::string::npos);
    // *.obj is third in the grouped results: anchor MaskIn_3, then "Back to
    // top", then an empty mask column.
    EXPECT_NE(html.find("<tr><td style=\"width: 10%; font-weight: bold; background-color: rgb(255, 255, 204); "
                        "color: rgb(0, 0, 0)\"><a name=\"MaskIn_3\">*.obj</a></td><td>/a/x.obj</td></tr>"
                        "<tr><td style=\"width: 10%\"><a href=\"#Top\">Back to top</a></td><td>/a/y.obj</td></tr>"
                        "<tr><td style=\"width: 10%\">&nbsp;</td><td>/a/z.obj</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<a href=\"#MaskIn_3\">*.obj</a><br>"), std::string::npos);
    EXPECT_NE(html.find("<a name=\"MaskEx_1\">*.bak</a>"), std::string::npos);
    EXPECT_NE(html.find("<a href=\"#MaskEx_1\">*.bak</a><br>"), std::string::npos);
    EXPECT_EQ(html.find("MaskIn_1"), std::string::npos);
    EXPECT_EQ(html.find("MaskIn_2"), std::string::npos);
    EXPECT_EQ(html.find("w.obj"), std::string::npos);
    // The title three times: title element, description meta, heading.
    std::size_t count = 0;
    for (auto at = html.find("Tidewash Search Results"); at != std::string::npos;
         at = html.find("Tidewash Search Results", at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
    EXPECT_NE(html.find("<meta content=\"text/html; charset=UTF-8\" http-equiv=\"content-type\">"), std::string::npos);
    EXPECT_NE(html.find("<div style=\"text-align: center\"><font size=\"+3\" style=\"font-weight: bold\">"),
              std::string::npos);
    EXPECT_EQ(html.find('\n'), std::string::npos) << "the writer adds no line breaks";
}

TEST_F(HtmlReportTest, EmptyInputStillHasTheFrame)
{
    results.clear();
    const std::string html = Write("Tidewash Purge Results");
    EXPECT_NE(html.find("&nbsp;Files marked for deletion"), std::string::npos);
    EXPECT_NE(html.find("&nbsp;Files excluded from deletion"), std::string::npos);
    EXPECT_NE(html.find("TABLE OF CONTENTS"), std::string::npos);
    EXPECT_EQ(html.find("<td>/"), std::string::npos);
    // An existing report is replaced, not appended to.
    const std::string again = Write("Tidewash Purge Results");
    EXPECT_EQ(again, html);
}

TEST_F(HtmlReportTest, MasksAndNamesCannotBecomeMarkup)
{
    results.clear();
    results["<b>*.obj"].push_back(Found("/p&q/", "<script>alert(\"x\")</script>.obj"));
    Flag("<b>*.obj", 0, true);
    const std::string html = Write();
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("<td>/p&amp;q/&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;.obj</td>"), std::string::npos);
    EXPECT_NE(html.find(">&lt;b&gt;*.obj</a>"), std::string::npos);
}

TEST_F(HtmlReportTest, EveryNameIsShownSoThatItIdentifiesItsFile)
{
    // Names a file system may hold that look alike when shown carelessly.
    const char* const names[] = {"bell\x07.obj", "bell\\x07.obj", "latin\xE9.obj", "latin\xC3\xA9.obj",
                                 "line\nbreak.obj", "line\\x0Abreak.obj", "bad\xFF.obj", "bad\xEF\xBF\xBD.obj"};
    results.clear();
    for (const char* name : names)
        results["*.obj"].push_back(Found("/p/", name));
    for (std::size_t i = 0; i < std::size(names); ++i)
        Flag("*.obj", i, true);
    const std::string html = Write();
    std::vector<std::string> cells;
    for (std::size_t at = html.find("<td>/p/"); at != std::string::npos; at = html.find("<td>/p/", at + 1))
        cells.push_back(html.substr(at, html.find("</td>", at) - at));
    ASSERT_EQ(cells.size(), std::size(names));
    for (std::size_t i = 0; i < cells.size(); ++i)
        for (std::size_t k = i + 1; k < cells.size(); ++k)
            EXPECT_NE(cells[i], cells[k]) << names[i] << " and " << names[k] << " look the same";
    // Nothing raw: no control character, no byte that is not UTF-8.
    for (const std::string& cell : cells) {
        EXPECT_EQ(cell.find_first_of(std::string("\x07\n\xE9\xFF", 4)), std::string::npos) << cell;
    }
    EXPECT_NE(html.find("latin\xC3\xA9.obj"), std::string::npos) << "valid UTF-8 is shown as it is";
}

TEST_F(HtmlReportTest, ReasonsStandBesideUnselectedFilesOnly)
{
    Flag("*.bak", 0, true);
    Flag("*.obj", 0, false);
    Flag("*.obj", 1, false);
    Flag("*.obj", 2, true);
    Flag("*.obj", 3, false);
    const std::string without = Write();
    TFileReasons reasons;
    reasons[TResultRef{&results["*.obj"], 0}] = "linked by ZLibUnit.pas";
    reasons[TResultRef{&results["*.obj"], 3}] = "linked by <Evil>.bpr";
    reasons[TResultRef{&results["*.obj"], 2}] = "a reason for a selected file is not shown";
    const std::string with = Write("Tidewash Search Results", &reasons);

    EXPECT_NE(with.find("<td>/a/x.obj&nbsp;&nbsp;(linked by ZLibUnit.pas)</td>"), std::string::npos);
    EXPECT_NE(with.find("<td>/a/y.obj</td>"), std::string::npos) << "no reason, no addition";
    EXPECT_NE(with.find("<td>/b/w.obj&nbsp;&nbsp;(linked by &lt;Evil&gt;.bpr)</td>"), std::string::npos);
    EXPECT_EQ(with.find("a reason for a selected file"), std::string::npos);
    // Everything up to the unselected section is byte for byte the same.
    const std::string caption = "&nbsp;Files excluded from deletion";
    const auto at = without.find(caption);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(with.substr(0, at), without.substr(0, at));
}

// Each file flagged false gets the reason of the first table that has
// one, else the user's own choice; a file flagged true gets none.
TEST_F(HtmlReportTest, EveryExcludedFileGetsTheFirstReasonThatApplies)
{
    const TResultRef x{&results["*.obj"], 0}, y{&results["*.obj"], 1}, z{&results["*.obj"], 2},
        w{&results["*.obj"], 3}, bak{&results["*.bak"], 0};
    const TFileReasons kept{{x, "kept: hidden"}, {z, "kept: read-only"}};
    const TFileReasons failed{{x, "gone since the scan"}, {y, "permission denied"}};
    const TFileReasons guarded{{y, "linked by Unit.pas"}, {w, "linked by Project1.bpr"}};
    const TFileFlags flags{{x, false}, {y, false}, {z, true}, {w, false}, {bak, false}};
    const struct {
        std::initializer_list<const TFileReasons*> Tables;
        TFileReasons Expected;
    } cases[] = {
        {{&kept, &failed, &guarded},
         {{x, "kept: hidden"}, {y, "permission denied"}, {w, "linked by Project1.bpr"}, {bak, "unchecked"}}},
        {{nullptr, &guarded},
         {{x, "unchecked"}, {y, "linked by Unit.pas"}, {w, "linked by Project1.bpr"}, {bak, "unchecked"}}},
        {{}, {{x, "unchecked"}, {y, "unchecked"}, {w, "unchecked"}, {bak, "unchecked"}}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ReasonsForExcluded(flags, cases[i].Tables), cases[i].Expected) << "case " << i;
}

namespace {

// The rows of one section as the builder's own elements write them: a row
// and two cells per file, the mask's anchor in the first row of a mask, the
// way back to the top in the second.
std::string RowsAsElements(const zelutils::TMaskedFileResults& results, const TFileFlags& flags,
                           const TFileReasons& reasons, bool included)
{
    using namespace zelhtmlbuilder;
    THTMLTable list;
    int maskNumber = 1;
    for (const auto& [mask, group] : results) {
        int row = 0;
        for (std::size_t i = 0; i < group.size(); ++i) {
            const auto flag = flags.find(TResultRef{&group, i});
            if (flag == flags.end() || flag->second != included)
                continue;
            auto line = list.AddRow();
            auto maskCell = line->AddCell();
            maskCell->AddTagAttributeValue("style", "width: 10%");
            if (row == 0) {
                for (const char* style : {"font-weight: bold", "background-color: rgb(255, 255, 204)",
                                          "color: rgb(0, 0, 0)"})
                    maskCell->AddTagAttributeValue("style", style);
                auto anchor = maskCell->AddAnchor();
                anchor->Text = EscapeVisible(mask);
                anchor->AddTagAttributeValue("name", (included ? "MaskIn_" : "MaskEx_") + std::to_string(maskNumber));
            } else if (row == 1) {
                auto back = maskCell->AddAnchor();
                back->AddTagAttributeValue("href", "#Top");
                back->Text = "Back to top";
            } else {
                maskCell->Text = "&nbsp;";
            }
            AnsiString text = EscapeVisible(group[i].GetFullName());
            const auto reason = reasons.find(TResultRef{&group, i});
            if (!included && reason != reasons.end())
                text += "&nbsp;&nbsp;(" + EscapeVisible(reason->second) + ")";
            line->AddCell()->Text = text;
            ++row;
        }
        ++maskNumber;
    }
    return list.ElementsAsString();
}

}  // namespace

TEST_F(HtmlReportTest, ManyRowsComeOutAsTheElementsWouldWriteThem)
{
    // Enough rows that the section is written in several pieces; names with
    // every kind of escape, reasons on some of the unselected files.
    results.clear();
    TFileReasons reasons;
    const char* const odd[] = {"plain", "a&b<c>", "quote\"", "back\\slash", "bell\x07", "caf\xE9", "\xC3\xA9t\xC3\xA9"};
    for (const char* mask : {"*.obj", "<*.map>", "*.tds"}) {
        auto& group = results[mask];
        for (int i = 0; i < 1500; ++i)
            group.push_back(Found("/p" + std::to_string(i / 100) + "/", odd[i % std::size(odd)] + std::to_string(i) + ".obj"));
    }
    int n = 0;
    for (auto& [mask, group] : results)
        for (std::size_t i = 0; i < group.size(); ++i, ++n) {
            if (mask == "*.tds" && i < 700)
                continue;  // no entry: in neither section
            Flag(mask, i, n % 3 != 0);
            if (n % 2 == 0)
                reasons[TResultRef{&group, i}] = odd[n % std::size(odd)];
        }
    const std::string html = Write("Tidewash Purge Results", &reasons);
    for (bool included : {true, false}) {
        const std::string rows = RowsAsElements(results, flags, reasons, included);
        ASSERT_GT(rows.size(), 64u * 1024);
        EXPECT_NE(html.find(rows), std::string::npos) << (included ? "deleted" : "not deleted");
    }
    // Nothing but those rows: every row of the two sections is one of them.
    std::size_t count = 0;
    for (auto at = html.find("<tr><td style=\"width: 10%"); at != std::string::npos;
         at = html.find("<tr><td style=\"width: 10%", at + 1))
        ++count;
    EXPECT_EQ(count, flags.size());
}

TEST_F(HtmlReportTest, AFileThatCannotBeCreatedRaises)
{
    THTMLReport report(results, flags);
    EXPECT_THROW(report.WriteReport("/no/such/folder/r.html", "T", "a", "b"), Exception);
}

// A link planted under the report's name is replaced by the report; the
// file it pointed at keeps its contents.
TEST_F(HtmlReportTest, NeverWritesThroughALink)
{
    const std::filesystem::path victim = folder / "victim";
    std::ofstream(victim) << "victim";
    std::error_code ec;
    std::filesystem::create_symlink(victim, file, ec);
    if (ec)
        GTEST_SKIP() << "this system makes no symbolic links here: " << ec.message();
    Flag("*.obj", 0, true);
    const std::string html = Write();
    EXPECT_NE(html.find("x.obj"), std::string::npos);
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    std::ifstream in(victim);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "victim");
}
