#include "Zelhtmlbuilder.h"

#include <gtest/gtest.h>

using namespace zelhtmlbuilder;

namespace {

// Counts live instances, to see who deletes what.
struct TCountedElement : THTMLElement {
    explicit TCountedElement(int* live) : THTMLElement("i", /*hasEndTag=*/true), FLive(live) { ++*FLive; }
    ~TCountedElement() override { --*FLive; }
    int* FLive;
};

// A stream that accepts a fixed number of bytes and then refuses.
class TShortStream : public TStream {
public:
    explicit TShortStream(int room) : FRoom(room) {}
    int Read(void*, int) override { return 0; }
    int Write(const void* buffer, int count) override
    {
        int taken = count < FRoom ? count : FRoom;
        Data.append(static_cast<const char*>(buffer), static_cast<std::size_t>(taken));
        FRoom -= taken;
        ++Writes;
        return taken;
    }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
    AnsiString Data;
    int Writes = 0;

private:
    int FRoom;
};

}  // namespace

TEST(THTMLElement, AttributesAreWrittenInByteOrderWithValuesJoined)
{
    THTMLElement table("table", true);
    table.AddTagAttributeValue("style", "a");
    table.AddTagAttributeValue("border", "1");
    table.AddTagAttributeValue("cellpadding", "0");
    table.AddTagAttributeValue("style", "b");
    table.TagAttributes["align"];  // a name with no values
    table.AddTagAttributeValue("BORDER", "2");
    EXPECT_EQ(table.AsString(),
              "<table BORDER=\"2\" align=\"\" border=\"1\" cellpadding=\"0\" style=\"a; b\"></table>");
    EXPECT_EQ(table.GetTagAttributeCount("style"), 2u);
    EXPECT_EQ(table.GetTagAttributeValue("style", 1), "b");
    EXPECT_EQ(table.GetTagAttributeCount("missing"), 0u);
    EXPECT_EQ(table.GetTagAttributeValue("missing", 0), "");
    EXPECT_EQ(table.GetTagAttributeValue("style", 2), "");
}

TEST(THTMLElement, ValuesAreWrittenByteForByte)
{
    THTMLElement e("p", true);
    e.AddTagAttributeValue("title", "say \"hi\" & <go>");
    e.AddTagAttributeValue("x", "\xC3\xA9\xFF");
    EXPECT_EQ(e.AsString(), "<p title=\"say \"hi\" & <go>\" x=\"\xC3\xA9\xFF\"></p>");
}

TEST(THTMLElement, EmptyTagNameWritesOnlyTheContents)
{
    THTMLElement outer("", true);
    outer.AddTagAttributeValue("style", "ignored");
    outer.AddChildElement(new THTMLElement("hr", /*hasEndTag=*/false));
    EXPECT_EQ(outer.TagStartAsString(), "");
    EXPECT_EQ(outer.TagEndAsString(), "");
    EXPECT_EQ(outer.AsString(), "<hr>");
}

TEST(THTMLElement, EndTagOnlyWhenAsked)
{
    THTMLElement open("meta", false);
    EXPECT_EQ(open.AsString(), "<meta>");
    THTMLElement closed("div", true);
    EXPECT_EQ(closed.TagEndAsString(), "</div>");
}

TEST(THTMLElement, ParentOwnsItsChildren)
{
    int live = 0;
    {
        THTMLElement parent("ul", true);
        parent.AddChildElement(new TCountedElement(&live));
        parent.AddChildElement(nullptr);
        auto* inner = new TCountedElement(&live);
        inner->AddChildElement(new TCountedElement(&live));
        parent.AddChildElement(inner);
        EXPECT_EQ(live, 3);
        EXPECT_EQ(parent.GetChildElementCount(), 2u);
        EXPECT_EQ(parent.GetChildElement(1), inner);
        EXPECT_EQ(parent.GetChildElement(2), nullptr);
        EXPECT_EQ(parent.AsString(), "<ul><i></i><i><i></i></i></ul>");
    }
    EXPECT_EQ(live, 0);
}

TEST(THTMLElement, TypedGetterCountsOnlyMatchingChildren)
{
    THTMLElement parent("", false);
    auto* t0 = new THTMLTable();
    auto* t1 = new THTMLTable();
    parent.AddChildElement(new THTMLImage());
    parent.AddChildElement(t0);
    parent.AddChildElement(new THTMLImage());
    parent.AddChildElement(t1);
    EXPECT_TRUE(parent.GetTypedChildElement<THTMLTable>(0) == t0);
    EXPECT_TRUE(parent.GetTypedChildElement<THTMLTable>(1) == t1);
    EXPECT_TRUE(parent.GetTypedChildElement<THTMLTable>(2).IsNull());
    EXPECT_TRUE(parent.GetTypedChildElement<THTMLRow>(0).IsNull());
}

TEST(THTMLElement, WritesPieceByPieceAndKeepsWhatWasWrittenOnFailure)
{
    THTMLElement e("table", true);
    e.AddTagAttributeValue("border", "1");
    TShortStream wide(1000);
    e.ToStream(&wide);
    // "<", "table", " ", "border", "=\"", "1", "\"", ">", "</", "table", ">"
    EXPECT_EQ(wide.Writes, 11);
    EXPECT_EQ(wide.Data, "<table border=\"1\"></table>");

    TShortStream narrow(8);
    EXPECT_THROW(e.ToStream(&narrow), EWriteError);
    EXPECT_EQ(narrow.Data, "<table b");
}

TEST(THTMLElement, AsStringMatchesTheStreamOperations)
{
    THTMLElement e("td", true);
    e.AddTagAttributeValue("colspan", "2");
    e.AddChildElement(new THTMLElement("br", /*hasEndTag=*/false));
    TStringStream stream;
    e.ToStream(&stream);
    EXPECT_EQ(stream.DataString(), e.AsString());
    EXPECT_EQ(e.AsString(), e.TagStartAsString() + e.ElementsAsString() + e.TagEndAsString());
    EXPECT_EQ(e.AsString(), e.AsString());  // writing changes nothing
}

TEST(EscapeMarkup, OnlyTheFourMarkupCharactersChange)
{
    EXPECT_EQ(zelhtmlbuilder::EscapeMarkup("<a href=\"x\">&amp;</a> 'ok' \xC3\xA9\n"),
              "&lt;a href=&quot;x&quot;&gt;&amp;amp;&lt;/a&gt; 'ok' \xC3\xA9\n");
    EXPECT_EQ(zelhtmlbuilder::EscapeMarkup(""), "");
}
