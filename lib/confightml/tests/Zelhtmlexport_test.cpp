#include "Zelhtmlexport.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include <gtest/gtest.h>

#include "SysUtils.hpp"
#include "Zelmanagedconfig.h"

using namespace zelconfig;

namespace {

AnsiString ReadFile(const AnsiString& name)
{
    TFileStream file(name, fmOpenRead);
    AnsiString data(static_cast<std::size_t>(file.Size()), '\0');
    file.ReadBuffer(data.data(), static_cast<int>(data.size()));
    return data;
}

std::size_t Count(const AnsiString& text, const AnsiString& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != AnsiString::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class THTMLExportTest : public ::testing::Test {
protected:
    void TearDown() override { std::remove(FileName.c_str()); }

    AnsiString Export(const TManagedConfig& config)
    {
        THTMLExport exporter(FileName, "Tidewash settings", "Every section", "Tidewash");
        exporter.Export(config);
        return ReadFile(FileName);
    }

    // A tree with nested sections, a collection and values that hold markup.
    void Fill(TManagedConfig& config)
    {
        TConfigSection* files = config.AddSection("Files", "What is searched <first>");
        files->DefineItem<int>("depth", "Depth", 10, "");
        files->DefineItem<bool>("hidden", "Hidden", false, "Also \"hidden\" files");
        files->DefineItem("masks", "Masks", "*.obj,*.~*", "Masks & more\nsecond line");
        TConfigSection* excluded = files->AddChildSection("Excluded", "Per mask");
        excluded->DefineCollection<AnsiString, AnsiString>(
            "excluded", std::map<AnsiString, AnsiString>{{"*.obj", "/src"}}, "Folders");
        excluded->AddChildSection("Deep", "")->DefineItem<double>("ratio", "Ratio", 0.5, "");
        config.AddSection("About", "")->DefineItem("note", "Note", "", "");

        config.SetValue<int>("depth", 12);
        config.SetValue<bool>("hidden", true);
        // <x> is no HTML element: tidy reports it as an error if it gets through.
        config.SetValue<AnsiString>("masks", "<script>alert(\"x\") & 1</script><x>\nnext");
        config.SetValue<std::map<AnsiString, AnsiString>>(
            "excluded", {{"*.obj", "/src"}, {"*.tds", "/a \"b\"/c"}});
        config.SetValue<double>("ratio", 0.25);
    }

    // One file per test: ctest runs the tests of this fixture in parallel.
    AnsiString FileName = ::testing::TempDir() + "zelhtmlexport_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".html";
};

}  // namespace

TEST_F(THTMLExportTest, EmptyConfigurationGivesTheHeaderBlockOnly)
{
    TManagedConfig config;
    const AnsiString page = Export(config);
    EXPECT_EQ(Count(page, "<tr>"), 5u);
    EXPECT_EQ(Count(page, "<table"), 1u);
    EXPECT_EQ(page.find("Parent Section"), AnsiString::npos);
}

TEST_F(THTMLExportTest, SectionsDepthFirstWithTheirParents)
{
    TManagedConfig config;
    Fill(config);
    const AnsiString page = Export(config);
    const AnsiString value =
        "<td style=\"background-color: rgb(255, 255, 153); font-weight: bold; color: rgb(0, 0, 153); "
        "vertical-align: top\">";
    const std::size_t about = page.find(value + "&nbsp;</td>" + value + "About</td>");
    const std::size_t files = page.find(value + "&nbsp;</td>" + value + "Files</td>");
    const std::size_t excluded = page.find(value + "Files</td>" + value + "Excluded</td>");
    const std::size_t deep = page.find(value + "FilesExcluded</td>" + value + "Deep</td>");
    ASSERT_NE(about, AnsiString::npos);
    ASSERT_NE(files, AnsiString::npos);
    ASSERT_NE(excluded, AnsiString::npos);
    ASSERT_NE(deep, AnsiString::npos);
    EXPECT_LT(about, files);
    EXPECT_LT(files, excluded);
    EXPECT_LT(excluded, deep);
    EXPECT_EQ(Count(page, "<table"), 5u);  // the page and four key tables
    EXPECT_EQ(Count(page, "</table>"), 5u);
    // After the head, the page is one table.
    const AnsiString body = page.substr(page.find("</title>") + 8);
    EXPECT_EQ(body.substr(0, 6), "<table");
    EXPECT_EQ(body.substr(body.size() - 15), "</table></html>");
}

TEST_F(THTMLExportTest, KeysShowDefaultAndCurrentValuesAsText)
{
    TManagedConfig config;
    Fill(config);
    const AnsiString page = Export(config);
    const AnsiString cell = "<td style=\"vertical-align: top\">";
    auto row = [&](const AnsiString& key, const AnsiString& def, const AnsiString& cur,
                   const AnsiString& description) {
        return "<tr>" + cell + key + "</td>" + cell + def + "</td>" + cell + cur + "</td>" + cell +
               description + "</td></tr>";
    };
    EXPECT_NE(page.find(row("Depth", "10", "12", "&nbsp;")), AnsiString::npos);
    EXPECT_NE(page.find(row("Hidden", "False", "1", "Also &quot;hidden&quot; files")), AnsiString::npos);
    EXPECT_NE(page.find(row("Masks", "*.obj,*.~*",
                            "&lt;script&gt;alert(&quot;x&quot;) &amp; 1&lt;/script&gt;&lt;x&gt;<br>next",
                            "Masks &amp; more<br>second line")),
              AnsiString::npos);
    EXPECT_NE(page.find(row("Items", "Items1=/src",
                            "*.obj=/src,&quot;*.tds=/a &quot;&quot;b&quot;&quot;/c&quot;", "Folders")),
              AnsiString::npos);
    EXPECT_NE(page.find(row("Ratio", "0.5", "0.25", "&nbsp;")), AnsiString::npos);
    EXPECT_NE(page.find(row("Note", "&nbsp;", "&nbsp;", "&nbsp;")), AnsiString::npos);
    EXPECT_EQ(page.find("<script>"), AnsiString::npos);
    EXPECT_EQ(page.find('\n'), AnsiString::npos);
}

TEST_F(THTMLExportTest, PageIsWellFormedForTidy)
{
    if (std::system("command -v tidy >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tidy is not installed";
    TManagedConfig config;
    Fill(config);
    Export(config);
    const AnsiString command = "tidy -q -e '" + FileName + "' >'" + FileName + ".log' 2>&1";
    // tidy exits 0 when clean and 1 with warnings; std::system gives the
    // shell's wait status, whose exit code sits in the second byte.
    const int status = std::system(command.c_str());
    EXPECT_TRUE(status == 0 || status == 0x100) << status << ReadFile(FileName + ".log");
    std::remove((FileName + ".log").c_str());
}
