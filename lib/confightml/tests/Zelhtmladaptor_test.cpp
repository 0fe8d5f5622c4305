#include "Zelhtmladaptor.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "SysUtils.hpp"

using namespace zelconfig;

namespace {

AnsiString ReadFile(const AnsiString& name)
{
    TFileStream file(name, fmOpenRead);
    AnsiString data(static_cast<std::size_t>(file.Size()), '\0');
    file.ReadBuffer(data.data(), static_cast<int>(data.size()));
    return data;
}

class THTMLAdaptorTest : public ::testing::Test {
protected:
    void TearDown() override { std::remove(FileName.c_str()); }

    // One file per test: ctest runs the tests of this fixture in parallel.
    AnsiString FileName = ::testing::TempDir() + "zelhtmladaptor_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".html";
    THTMLAdaptor Adaptor{FileName, "Settings", "All of them", "Me"};

    AnsiString KeyRow(const AnsiString& section, const AnsiString& key)
    {
        return Adaptor.GetSectionKeyTable(section, key).Keys.at(key)->AsString();
    }
    AnsiString CurrentValue(const AnsiString& section, const AnsiString& key)
    {
        return Adaptor.GetSectionKeyTable(section, key).Keys.at(key)->GetCell(2)->GetText(0)->Text;
    }
};

}  // namespace

TEST_F(THTMLAdaptorTest, CheckStringShowsEveryValueAsText)
{
    EXPECT_EQ(Adaptor.CheckString(""), "&nbsp;");
    EXPECT_EQ(Adaptor.CheckString("plain"), "plain");
    EXPECT_EQ(Adaptor.CheckString("a\nb\r\nc"), "a<br>b\r<br>c");
    EXPECT_EQ(Adaptor.CheckString("<b>\"x\" & y</b>\n"),
              "&lt;b&gt;&quot;x&quot; &amp; y&lt;/b&gt;<br>");
    EXPECT_EQ(Adaptor.CheckString("&nbsp;"), "&amp;nbsp;");
}

TEST_F(THTMLAdaptorTest, KeyRowWithItsCurrentValue)
{
    ASSERT_TRUE(Adaptor.Open());
    Adaptor.CreateSection("Limits", "");
    Adaptor.CreateKey("Limits", "Size", "10", "");
    Adaptor.WriteInteger("Limits", "Size", 12);
    EXPECT_EQ(KeyRow("Limits", "Size"),
              "<tr><td style=\"vertical-align: top\">Size</td><td style=\"vertical-align: top\">10</td>"
              "<td style=\"vertical-align: top\">12</td><td style=\"vertical-align: top\">&nbsp;</td></tr>");
}

TEST_F(THTMLAdaptorTest, SectionBlockRows)
{
    Adaptor.Open();
    Adaptor.SetParentSection("Top");
    Adaptor.CreateSection("Sub", "A & B");
    auto& entry = Adaptor.GetSectionKeyTable("Sub", "");
    EXPECT_EQ(entry.KeyTable->AsString(),
              "<table border=\"1\" cellpadding=\"1\" cellspacing=\"0\" style=\"width: 100%; text-align: left\">"
              "<tr><td style=\"background-color: rgb(204, 255, 255); font-weight: bold; width: 10%\">Key</td>"
              "<td style=\"background-color: rgb(204, 255, 255); font-weight: bold; width: 20%\">Default</td>"
              "<td style=\"background-color: rgb(204, 255, 255); font-weight: bold; width: 20%\">Current</td>"
              "<td style=\"background-color: rgb(204, 255, 255); font-weight: bold\">Description</td>"
              "</tr></table>");
    Adaptor.Close();
    const AnsiString page = ReadFile(FileName);
    const AnsiString valueStyle =
        "style=\"background-color: rgb(255, 255, 153); font-weight: bold; color: rgb(0, 0, 153); "
        "vertical-align: top\"";
    EXPECT_NE(page.find("<tr><td colspan=\"3\" rowspan=\"1\">&nbsp;</td></tr>"
                        "<tr><td style=\"font-weight: bold; color: rgb(255, 255, 255); "
                        "background-color: rgb(0, 0, 0); width: 12%\">Parent Section</td>"),
              AnsiString::npos);
    EXPECT_NE(page.find("<tr><td " + valueStyle + ">Top</td><td " + valueStyle + ">Sub</td><td " +
                        valueStyle + ">A &amp; B</td></tr><tr><td>&nbsp;</td>"
                        "<td colspan=\"2\" rowspan=\"1\"><table "),
              AnsiString::npos);
}

TEST_F(THTMLAdaptorTest, WritesShowTheValueTexts)
{
    Adaptor.Open();
    Adaptor.CreateSection("S", "");
    for (const char* key : {"b0", "b1", "d", "s", "m", "t", "Items"})
        Adaptor.CreateKey("S", key, "", "");
    Adaptor.WriteBool("S", "b0", false);
    Adaptor.WriteBool("S", "b1", true);
    Adaptor.WriteDouble("S", "d", 0.1 + 0.2);
    Adaptor.WriteString("S", "s", "x < y");
    Adaptor.WriteString("S", "s", "second\nwrite");
    TStringListAdaptor list;
    list->Add("a b");
    list->Add("c");
    Adaptor.WriteMultiString("S", "m", list);
    Adaptor.WriteDateTime("S", "t", EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 0, 0));
    TStringListAdaptor lines;
    lines->Add("k=v");
    Adaptor.WriteSectionValues("S", lines);

    EXPECT_EQ(CurrentValue("S", "b0"), "0");
    EXPECT_EQ(CurrentValue("S", "b1"), "1");
    EXPECT_EQ(CurrentValue("S", "d"), "0.3");
    EXPECT_EQ(CurrentValue("S", "s"), "second<br>write");
    EXPECT_EQ(CurrentValue("S", "m"), "&quot;a b&quot;,c");
    EXPECT_EQ(CurrentValue("S", "t"), DateTimeToStr(EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 0, 0)));
    EXPECT_EQ(CurrentValue("S", "Items"), "k=v");
}

TEST_F(THTMLAdaptorTest, FailuresNameWhatIsMissing)
{
    Adaptor.Open();
    Adaptor.CreateSection("S", "");
    Adaptor.CreateKey("S", "k", "", "");
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const Exception& e) {
            return e.Message();
        }
        return AnsiString("no exception");
    };
    EXPECT_EQ(message([&] { Adaptor.CreateKey("S", "k", "", ""); }), "CreateKey : Key already exists: k");
    EXPECT_EQ(message([&] { Adaptor.WriteInteger("S", "j", 1); }), "CreateKey : Key does not exist: j");
    EXPECT_EQ(message([&] { Adaptor.WriteInteger("T", "k", 1); }), "CreateKey : Section does not exist: T");
    // Sections are found under the parent section they were created in.
    Adaptor.SetParentSection("P");
    EXPECT_EQ(message([&] { Adaptor.CreateKey("S", "x", "", ""); }),
              "CreateKey : Section does not exist: S");
    Adaptor.SetParentSection("");
    Adaptor.Close();
    EXPECT_EQ(message([&] { Adaptor.WriteInteger("S", "k", 1); }), "CreateKey : Section does not exist: S");
    EXPECT_THROW(Adaptor.CreateSection("S", ""), Exception);
}

TEST_F(THTMLAdaptorTest, SameSectionKeyTwiceKeepsBothBlocks)
{
    Adaptor.Open();
    Adaptor.SetParentSection("A");
    Adaptor.CreateSection("BC", "first");
    Adaptor.CreateKey("BC", "k", "", "");
    Adaptor.SetParentSection("AB");
    Adaptor.CreateSection("C", "second");
    Adaptor.SetParentSection("A");
    // "A" + "BC" and "AB" + "C" are one key: the later table answers.
    Adaptor.CreateKey("BC", "k", "", "");
    Adaptor.Close();
    const AnsiString page = ReadFile(FileName);
    EXPECT_NE(page.find(">first<"), AnsiString::npos);
    EXPECT_NE(page.find(">second<"), AnsiString::npos);
}

TEST_F(THTMLAdaptorTest, ReadsLeaveTheirOutputAlone)
{
    Adaptor.Open();
    int i = 7;
    double d = 1.5;
    TDateTime t = 3.25;
    bool b = true;
    AnsiString s = "kept";
    TStringListAdaptor list;
    list->Add("kept");
    Adaptor.ReadInteger("S", "k", 1, i);
    Adaptor.ReadDouble("S", "k", 2.0, d);
    Adaptor.ReadDateTime("S", "k", 4.0, t);
    Adaptor.ReadBool("S", "k", false, b);
    Adaptor.ReadString("S", "k", "default", s);
    Adaptor.ReadMultiString("S", "k", TStringListAdaptor(), list);
    Adaptor.ReadSectionValues("S", TStringListAdaptor(), list);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(t.Val, 3.25);
    EXPECT_TRUE(b);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(list->CommaText(), "kept");
}

TEST_F(THTMLAdaptorTest, HeaderBlockAndLifeCycle)
{
    EXPECT_FALSE(Adaptor.IsOpen());
    EXPECT_FALSE(Adaptor.Close());
    ASSERT_TRUE(Adaptor.Open());
    Adaptor.CreateSection("Old", "");
    ASSERT_TRUE(Adaptor.Open());  // starts over: the old section is gone
    EXPECT_THROW(Adaptor.CreateKey("Old", "k", "", ""), Exception);
    EXPECT_TRUE(Adaptor.IsOpen());
    EXPECT_TRUE(Adaptor.Close());
    EXPECT_FALSE(Adaptor.IsOpen());

    const AnsiString page = ReadFile(FileName);
    const AnsiString head =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"><html>"
        "<meta content=\"text/html; charset=UTF-8\" http-equiv=\"content-type\">"
        "<meta content=\"All of them\" name=\"description\"><meta content=\"Me\" name=\"author\">"
        "<title>Settings</title>"
        "<table border=\"1\" cellpadding=\"1\" cellspacing=\"0\" style=\"width: 100%; text-align: left\">"
        "<tr><td style=\"font-weight: bold\">Title</td>"
        "<td colspan=\"2\" rowspan=\"1\" style=\"font-weight: bold; color: rgb(51, 51, 255)\">Settings</td></tr>";
    EXPECT_EQ(page.substr(0, head.size()), head);
    EXPECT_NE(page.find(">Date</td><td colspan=\"2\" rowspan=\"1\" style=\"font-weight: bold; "
                        "color: rgb(51, 51, 255)\">"),
              AnsiString::npos);
    const AnsiString tail = "<tr><td colspan=\"3\" rowspan=\"1\">&nbsp;</td></tr></table></html>";
    EXPECT_EQ(page.substr(page.size() - tail.size()), tail);
    EXPECT_EQ(page.find("Old"), AnsiString::npos);
}

TEST_F(THTMLAdaptorTest, EmptyHeaderTextsAndMarkupInThem)
{
    THTMLAdaptor adaptor(FileName, "", "<i>", "\"q\"");
    adaptor.Open();
    adaptor.Close();
    const AnsiString page = ReadFile(FileName);
    EXPECT_NE(page.find("<title></title>"), AnsiString::npos);
    EXPECT_NE(page.find("<meta content=\"&lt;i&gt;\" name=\"description\">"), AnsiString::npos);
    EXPECT_NE(page.find("<meta content=\"&quot;q&quot;\" name=\"author\">"), AnsiString::npos);
    EXPECT_NE(page.find(">Title</td><td colspan=\"2\" rowspan=\"1\" style=\"font-weight: bold; "
                        "color: rgb(51, 51, 255)\">&nbsp;</td>"),
              AnsiString::npos);
}

TEST_F(THTMLAdaptorTest, UnclosedPageWritesNoFileAndFailedWriteKeepsThePage)
{
    {
        THTMLAdaptor adaptor(FileName, "t", "d", "a");
        adaptor.Open();
    }
    EXPECT_FALSE(FileExists(FileName));

    THTMLAdaptor nowhere(::testing::TempDir() + "no/such/folder/page.html", "t", "d", "a");
    nowhere.Open();
    nowhere.CreateSection("S", "");
    EXPECT_THROW(nowhere.Close(), EStreamError);
    EXPECT_TRUE(nowhere.IsOpen());
    EXPECT_NO_THROW(nowhere.CreateKey("S", "k", "", ""));
}
