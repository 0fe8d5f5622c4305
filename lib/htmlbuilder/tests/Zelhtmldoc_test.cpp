#include "Zelhtmlbuilder.h"

#include <gtest/gtest.h>

using namespace zelhtmlbuilder;

namespace {

const AnsiString DocType = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">";

void FillExample(THTMLDoc& doc)
{
    doc.Header.Title.Text = "T";
    auto cell = doc.Body.AddTable()->AddRow()->AddCell();
    cell->AddText()->Text = "x";
    cell->AddLine()->Text = "y";
}

}  // namespace

TEST(THTMLDoc, WritesTheExampleDocument)
{
    THTMLDoc doc;
    FillExample(doc);
    EXPECT_EQ(doc.AsString(),
              DocType + "<html><title>T</title><table><tr><td>xy<br></td></tr></table></html>");
}

TEST(THTMLDoc, MetasStandBeforeTheTitle)
{
    THTMLDoc doc;
    auto meta = doc.Header.AddMeta();
    meta->AddTagAttributeValue("http-equiv", "content-type");
    meta->AddTagAttributeValue("content", "text/html");
    meta->AddTagAttributeValue("content", "charset=UTF-8");
    doc.Header.AddMeta()->AddTagAttributeValue("name", "author");
    FillExample(doc);
    EXPECT_EQ(doc.AsString(),
              DocType +
                  "<html><meta content=\"text/html; charset=UTF-8\" http-equiv=\"content-type\">"
                  "<meta name=\"author\"><title>T</title>"
                  "<table><tr><td>xy<br></td></tr></table></html>");
    EXPECT_TRUE(doc.Header.GetMeta(1)->GetTagAttributeValue("name", 0) == "author");
    EXPECT_TRUE(doc.Header.GetMeta(2).IsNull());
}

TEST(THTMLDoc, NeverWritesHeadOrBodyTags)
{
    THTMLDoc doc;
    doc.AddTagAttributeValue("lang", "en");
    doc.Header.AddTagAttributeValue("profile", "p");
    doc.Body.AddTagAttributeValue("bgcolor", "white");
    doc.Body.InsertPresentationTag("b");
    doc.Body.AddText()->Text = "z";
    EXPECT_EQ(doc.AsString(), DocType + "<html lang=\"en\"><title></title>z</html>");
}

TEST(THTMLDoc, OwnChildrenComeFirst)
{
    THTMLDoc doc;
    doc.Body.AddText()->Text = "body";
    doc.AddChildElement(new THTMLElement("noscript", /*hasEndTag=*/true));
    EXPECT_EQ(doc.ElementsAsString(), "<noscript></noscript><title></title>body");
}

TEST(THTMLDoc, WritesToAFile)
{
    const AnsiString name = ::testing::TempDir() + "zelhtmldoc_test.html";
    THTMLDoc doc;
    FillExample(doc);
    {
        TFileStream file(name, fmCreate);
        doc.ToStream(&file);
    }
    TStringList lines;
    lines.LoadFromFile(name);
    ASSERT_EQ(lines.Count(), 1);
    EXPECT_EQ(lines[0], doc.AsString());
    std::remove(name.c_str());
}

TEST(THTMLDocType, IsTheDeclarationAlone)
{
    THTMLDocType type;
    EXPECT_EQ(type.AsString(), DocType);
}
