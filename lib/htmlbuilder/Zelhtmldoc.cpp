// The document, its declaration and its head.
#include "Zelhtmldoc.h"

namespace zelhtmlbuilder {

using zelgenerics::TDisableDelete;

THTMLDocType::THTMLDocType()
    : THTMLElement("!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"", /*hasEndTag=*/false)
{
}

THTMLTitle::THTMLTitle() : THTMLElement("title", /*hasEndTag=*/true) {}

void THTMLTitle::ElementsToStream(TStream* stream)
{
    THTMLElement::ElementsToStream(stream);
    WriteToStream(stream, Text);
}

THTMLMeta::THTMLMeta() : THTMLElement("meta", /*hasEndTag=*/false) {}

THTMLHeader::THTMLHeader() : THTMLElement("head", /*hasEndTag=*/true) {}

void THTMLHeader::ElementsToStream(TStream* stream)
{
    THTMLElement::ElementsToStream(stream);
    Title.ToStream(stream);
}

TDisableDelete<THTMLMeta> THTMLHeader::AddMeta()
{
    auto* meta = new THTMLMeta();
    AddChildElement(meta);
    return TDisableDelete<THTMLMeta>(meta);
}

TDisableDelete<THTMLMeta> THTMLHeader::GetMeta(unsigned index) const
{
    return GetTypedChildElement<THTMLMeta>(index);
}

THTMLDoc::THTMLDoc() : THTMLElement("html", /*hasEndTag=*/true) {}

void THTMLDoc::ElementsToStream(TStream* stream)
{
    THTMLElement::ElementsToStream(stream);
    Header.ElementsToStream(stream);
    Body.ElementsToStream(stream);
}

void THTMLDoc::ToStream(TStream* stream)
{
    DocType.ToStream(stream);
    THTMLElement::ToStream(stream);
}

}  // namespace zelhtmlbuilder
