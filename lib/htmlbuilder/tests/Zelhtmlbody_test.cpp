#include "Zelhtmlbuilder.h"

#include <gtest/gtest.h>

using namespace zelhtmlbuilder;

namespace {

// Reaches the protected holder-taking factories.
struct TOpenBody : THTMLBaseBody {
    TOpenBody() : THTMLBaseBody("", /*hasEndTag=*/false) {}
    using THTMLBaseBody::InternalAddLine;
    using THTMLBaseBody::InternalAddText;
};

}  // namespace

TEST(THTMLText, BareAndTaggedTexts)
{
    THTMLText bare;
    bare.Text = "x";
    bare.AddTagAttributeValue("style", "never written");
    EXPECT_EQ(bare.AsString(), "x");

    THTMLText bold("b");
    bold.Text = "x";
    EXPECT_EQ(bold.AsString(), "<b>x</b>");

    // The tag constructor always sets an end tag.
    THTMLText rule("hr");
    EXPECT_EQ(rule.AsString(), "<hr></hr>");
}

TEST(THTMLText, ChildrenComeBeforeTheText)
{
    THTMLText div("div");
    div.Text = "after";
    auto inner = div.AddText("span");
    inner->Text = "in";
    EXPECT_EQ(div.AsString(), "<div><span>in</span>after</div>");
}

TEST(THTMLLine, WritesABreakAfterItsText)
{
    THTMLCell cell;
    cell.AddLine();
    auto p = cell.AddLine("p");
    p->Text = "x";
    auto unnamed = cell.AddLine("");
    unnamed->Text = "y";
    EXPECT_EQ(cell.ElementsAsString(), "<br><p>x<br></p>y<br>");
}

TEST(THTMLCell, HoldsItsTextAfterItsChildren)
{
    struct TCase {
        const char* Name;
        const char* Text;
        bool WithChild, Bold;
        const char* Written;
    };
    const TCase cases[] = {
        {"empty", "", false, false, "<td></td>"},
        {"text only", "x", false, false, "<td>x</td>"},
        {"a child, then the text", "x", true, false, "<td><i>c</i>x</td>"},
        {"wrapped by presentation tags", "x", true, true, "<td><b><i>c</i>x</b></td>"},
    };
    for (const TCase& c : cases) {
        THTMLCell cell;
        cell.Text = c.Text;
        if (c.Bold)
            cell.InsertPresentationTag("b");
        if (c.WithChild)
            cell.AddText("i")->Text = "c";
        EXPECT_EQ(cell.AsString(), c.Written) << c.Name;
        // The text is no child: the typed getters do not see it.
        EXPECT_EQ(cell.GetChildElementCount(), c.WithChild ? 1u : 0u) << c.Name;
        EXPECT_EQ(cell.GetText(0).IsNull(), !c.WithChild) << c.Name;
    }
}

TEST(THTMLBaseBody, PresentationTagsWrapTheContents)
{
    THTMLCell cell;
    cell.InsertPresentationTag("b");
    cell.InsertPresentationTag("i");
    cell.AddText()->Text = "x";
    EXPECT_EQ(cell.AsString(), "<td><b><i>x</i></b></td>");

    // Written even without a tag of the element's own.
    THTMLText bare;
    bare.InsertPresentationTag("em");
    bare.Text = "y";
    EXPECT_EQ(bare.AsString(), "<em>y</em>");
}

TEST(THTMLBaseBody, FactoriesAppendInOrder)
{
    THTMLBody body;
    body.AddText()->Text = "a";
    body.AddImage()->AddTagAttributeValue("src", "i.png");
    auto link = body.AddAnchor();
    link->AddTagAttributeValue("href", "#Top");
    link->Text = "up";
    body.AddTable()->AddRow()->AddCell()->AddText()->Text = "c";
    EXPECT_EQ(body.AsString(),
              "<body>a<img src=\"i.png\"><a href=\"#Top\">up</a>"
              "<table><tr><td>c</td></tr></table></body>");
    EXPECT_EQ(body.GetChildElementCount(), 4u);
}

TEST(THTMLBaseBody, TextGetterCountsLinesAndAnchors)
{
    THTMLCell cell;
    auto line = cell.AddLine();
    cell.AddTable();
    auto anchor = cell.AddAnchor();
    auto text = cell.AddText();
    EXPECT_TRUE(cell.GetText(0) == line);
    EXPECT_TRUE(cell.GetText(1) == anchor);
    EXPECT_TRUE(cell.GetText(2) == text);
    EXPECT_TRUE(cell.GetText(3).IsNull());
    EXPECT_TRUE(cell.GetLine(0) == line);
    EXPECT_TRUE(cell.GetLine(1).IsNull());
}

TEST(THTMLBaseBody, EmptyHolderGivesANullHandle)
{
    TOpenBody body;
    EXPECT_TRUE(body.InternalAddLine(nullptr).IsNull());
    EXPECT_TRUE(body.InternalAddText(nullptr).IsNull());
    EXPECT_EQ(body.GetChildElementCount(), 0u);
    auto line = body.InternalAddLine(std::make_unique<THTMLLine>());
    EXPECT_FALSE(line.IsNull());
    EXPECT_EQ(body.GetChildElementCount(), 1u);
}

TEST(THTMLImage, NeverWritesAnEndTag)
{
    THTMLImage image;
    image.AddTagAttributeValue("src", "a.png");
    EXPECT_EQ(image.AsString(), "<img src=\"a.png\">");
}
