// THTMLElement: tag writing, child ownership and the attribute accessors.
#include "Zelhtmlelement.h"

#include <climits>
#include <memory>

#include "Zelstreams.h"

namespace zelhtmlbuilder {

THTMLElement::THTMLElement(AnsiString tagName, bool hasEndTag)
    : TagName(std::move(tagName)), HasEndTag(hasEndTag)
{
}

THTMLElement::~THTMLElement() = default;

void THTMLElement::AddChildElement(THTMLElement* element)
{
    if (element == nullptr)
        return;
    std::unique_ptr<THTMLElement> holder(element);
    Elements.push_back(element);
    holder.release();
}

void THTMLElement::TagStartToStream(TStream* stream)
{
    if (TagName.empty())
        return;
    WriteToStream(stream, "<");
    WriteToStream(stream, TagName);
    for (const auto& [name, values] : TagAttributes) {
        WriteToStream(stream, " ");
        WriteToStream(stream, name);
        WriteToStream(stream, "=\"");
        bool first = true;
        values.ForEach([&](const AnsiString& value) {
            if (!first)
                WriteToStream(stream, "; ");
            WriteToStream(stream, value);
            first = false;
        });
        WriteToStream(stream, "\"");
    }
    WriteToStream(stream, ">");
}

void THTMLElement::ElementsToStream(TStream* stream)
{
    for (THTMLElement* child : Elements) {
        child->TagStartToStream(stream);
        child->ElementsToStream(stream);
        child->TagEndToStream(stream);
    }
}

void THTMLElement::TagEndToStream(TStream* stream)
{
    if (TagName.empty() || !HasEndTag)
        return;
    WriteToStream(stream, "</");
    WriteToStream(stream, TagName);
    WriteToStream(stream, ">");
}

void THTMLElement::ToStream(TStream* stream)
{
    TagStartToStream(stream);
    ElementsToStream(stream);
    TagEndToStream(stream);
}

unsigned THTMLElement::GetChildElementCount() const
{
    return static_cast<unsigned>(Elements.size());
}

THTMLElement* THTMLElement::GetChildElement(unsigned index) const
{
    if (index >= Elements.size())
        return nullptr;
    return Elements[index];
}

void THTMLElement::AddTagAttributeValue(const AnsiString& name, const AnsiString& value)
{
    TagAttributes[name].push_back(value);
}

unsigned THTMLElement::GetTagAttributeCount(const AnsiString& name) const
{
    auto it = TagAttributes.find(name);
    return it == TagAttributes.end() ? 0u : static_cast<unsigned>(it->second.size());
}

AnsiString THTMLElement::GetTagAttributeValue(const AnsiString& name, unsigned index) const
{
    auto it = TagAttributes.find(name);
    if (it == TagAttributes.end() || index >= it->second.size())
        return AnsiString();
    return it->second[index];
}

namespace {

// Runs one of the stream operations on an in-memory stream and returns what
// it wrote.
template <typename Operation>
AnsiString WrittenBy(Operation operation)
{
    TStringStream stream{AnsiString()};
    operation(&stream);
    stream.SetPosition(0);
    return stream.DataString();
}

}  // namespace

AnsiString THTMLElement::TagStartAsString()
{
    return WrittenBy([this](TStream* s) { TagStartToStream(s); });
}

AnsiString THTMLElement::ElementsAsString()
{
    return WrittenBy([this](TStream* s) { ElementsToStream(s); });
}

AnsiString THTMLElement::TagEndAsString()
{
    return WrittenBy([this](TStream* s) { TagEndToStream(s); });
}

AnsiString THTMLElement::AsString()
{
    return WrittenBy([this](TStream* s) { ToStream(s); });
}

void THTMLElement::WriteToStream(TStream* stream, const AnsiString& text)
{
    // The runtime's write takes an int count; texts beyond that go in parts.
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const int count = left > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(left);
        zelcore::WriteBuffer(stream, data, count);
        data += count;
        left -= static_cast<std::size_t>(count);
    }
}

}  // namespace zelhtmlbuilder
