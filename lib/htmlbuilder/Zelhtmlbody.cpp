// The content elements: presentation tags, the content factories and the
// text writers.
#include "Zelhtmlbody.h"

#include "Zelhtmltable.h"

namespace zelhtmlbuilder {

using zelgenerics::TDisableDelete;

namespace {

// Creates a T, hands it to the parent and returns a handle to it.
template <typename T>
TDisableDelete<T> AddNew(THTMLElement& parent)
{
    T* element = new T();
    parent.AddChildElement(element);
    return TDisableDelete<T>(element);
}

}  // namespace

THTMLBaseBody::THTMLBaseBody(const AnsiString tagName, bool hasEndTag)
    : THTMLElement(tagName, hasEndTag)
{
}

void THTMLBaseBody::TagStartToStream(TStream* stream)
{
    THTMLElement::TagStartToStream(stream);
    for (const AnsiString& tag : PresentationTags) {
        WriteToStream(stream, "<");
        WriteToStream(stream, tag);
        WriteToStream(stream, ">");
    }
}

void THTMLBaseBody::TagEndToStream(TStream* stream)
{
    for (auto it = PresentationTags.rbegin(); it != PresentationTags.rend(); ++it) {
        WriteToStream(stream, "</");
        WriteToStream(stream, *it);
        WriteToStream(stream, ">");
    }
    THTMLElement::TagEndToStream(stream);
}

TDisableDelete<THTMLLine> THTMLBaseBody::AddLine()
{
    return InternalAddLine(std::make_unique<THTMLLine>());
}

TDisableDelete<THTMLLine> THTMLBaseBody::AddLine(AnsiString tagName)
{
    return InternalAddLine(std::make_unique<THTMLLine>(std::move(tagName)));
}

TDisableDelete<THTMLText> THTMLBaseBody::AddText()
{
    return InternalAddText(std::make_unique<THTMLText>());
}

TDisableDelete<THTMLText> THTMLBaseBody::AddText(AnsiString tagName)
{
    return InternalAddText(std::make_unique<THTMLText>(std::move(tagName)));
}

TDisableDelete<THTMLTable> THTMLBaseBody::AddTable()
{
    return AddNew<THTMLTable>(*this);
}

TDisableDelete<THTMLImage> THTMLBaseBody::AddImage()
{
    return AddNew<THTMLImage>(*this);
}

TDisableDelete<THTMLAnchor> THTMLBaseBody::AddAnchor()
{
    return AddNew<THTMLAnchor>(*this);
}

TDisableDelete<THTMLLine> THTMLBaseBody::GetLine(unsigned index) const
{
    return GetTypedChildElement<THTMLLine>(index);
}

TDisableDelete<THTMLText> THTMLBaseBody::GetText(unsigned index) const
{
    return GetTypedChildElement<THTMLText>(index);
}

void THTMLBaseBody::InsertPresentationTag(AnsiString tag)
{
    PresentationTags.push_back(std::move(tag));
}

TDisableDelete<THTMLLine> THTMLBaseBody::InternalAddLine(std::unique_ptr<THTMLLine> holder)
{
    if (!holder)
        return TDisableDelete<THTMLLine>();
    THTMLLine* line = holder.release();
    AddChildElement(line);
    return TDisableDelete<THTMLLine>(line);
}

TDisableDelete<THTMLText> THTMLBaseBody::InternalAddText(std::unique_ptr<THTMLText> holder)
{
    if (!holder)
        return TDisableDelete<THTMLText>();
    THTMLText* text = holder.release();
    AddChildElement(text);
    return TDisableDelete<THTMLText>(text);
}

THTMLBody::THTMLBody() : THTMLBaseBody("body", /*hasEndTag=*/true) {}

THTMLCell::THTMLCell() : THTMLBaseBody("td", /*hasEndTag=*/true) {}

void THTMLCell::ElementsToStream(TStream* stream)
{
    THTMLBaseBody::ElementsToStream(stream);
    WriteToStream(stream, Text);
}

THTMLText::THTMLText() : THTMLBaseBody("", /*hasEndTag=*/false) {}

THTMLText::THTMLText(AnsiString tagName) : THTMLBaseBody(tagName, /*hasEndTag=*/true) {}

void THTMLText::ElementsToStream(TStream* stream)
{
    THTMLBaseBody::ElementsToStream(stream);
    WriteToStream(stream, Text);
}

THTMLLine::THTMLLine() : THTMLText() {}

THTMLLine::THTMLLine(AnsiString tagName) : THTMLText(std::move(tagName)) {}

void THTMLLine::ElementsToStream(TStream* stream)
{
    THTMLText::ElementsToStream(stream);
    WriteToStream(stream, "<br>");
}

THTMLAnchor::THTMLAnchor() : THTMLText("a") {}

THTMLImage::THTMLImage() : THTMLElement("img", /*hasEndTag=*/false) {}

}  // namespace zelhtmlbuilder
