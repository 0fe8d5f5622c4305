// The elements that hold content:
//   THTMLBaseBody   presentation tags and the content factories
//   THTMLBody       "body"
//   THTMLCell       "td"
//   THTMLText       a text run, bare or inside a tag of its own
//   THTMLLine       a text run followed by "<br>"
//   THTMLAnchor     "a"
//   THTMLImage      "img"
//
// The factories add the new element at the end of the children; the parent
// owns it from then on, and the caller gets a handle that cannot delete it.
#pragma once

#include <memory>

#include "Zelhtmlelement.h"

namespace zelhtmlbuilder {

class THTMLLine;
class THTMLText;
class THTMLTable;
class THTMLImage;
class THTMLAnchor;

class THTMLBaseBody : public THTMLElement {
public:
    THTMLBaseBody(const AnsiString tagName, bool hasEndTag);

    // The element's own start tag, then "<tag>" for each presentation tag in
    // the order inserted (also when the element has no tag of its own).
    void TagStartToStream(TStream* stream) override;
    // "</tag>" for each presentation tag, last first, then the own end tag.
    void TagEndToStream(TStream* stream) override;

    // The tag parameter names the element's tag, never its text.
    zelgenerics::TDisableDelete<THTMLLine> AddLine();
    zelgenerics::TDisableDelete<THTMLLine> AddLine(AnsiString tagName);
    zelgenerics::TDisableDelete<THTMLText> AddText();
    zelgenerics::TDisableDelete<THTMLText> AddText(AnsiString tagName);
    zelgenerics::TDisableDelete<THTMLTable> AddTable();
    zelgenerics::TDisableDelete<THTMLImage> AddImage();
    zelgenerics::TDisableDelete<THTMLAnchor> AddAnchor();

    zelgenerics::TDisableDelete<THTMLLine> GetLine(unsigned index) const;
    // Counts lines and anchors too: they are texts.
    zelgenerics::TDisableDelete<THTMLText> GetText(unsigned index) const;

    // Wraps the element's contents in <tag>...</tag>, for example "b" or "i".
    void InsertPresentationTag(AnsiString tag);

    TLazyVector<AnsiString> PresentationTags;

protected:
    // Hands the held element to the children; an empty holder gives a null
    // handle.
    zelgenerics::TDisableDelete<THTMLLine> InternalAddLine(std::unique_ptr<THTMLLine> holder);
    zelgenerics::TDisableDelete<THTMLText> InternalAddText(std::unique_ptr<THTMLText> holder);
};

class THTMLBody : public THTMLBaseBody {
public:
    THTMLBody();
};

// A cell holds other elements, or its text directly: a report's cells are
// mostly one text each, and an element per text would double their cost.
class THTMLCell : public THTMLBaseBody {
public:
    THTMLCell();

    // The children, then Text.
    void ElementsToStream(TStream* stream) override;

    AnsiString Text;
};

// Without a tag the text is written bare; with one ("b", "div", ...) it is
// written inside that tag, which then always gets an end tag.
class THTMLText : public THTMLBaseBody {
public:
    THTMLText();
    explicit THTMLText(AnsiString tagName);

    // The children, then Text.
    void ElementsToStream(TStream* stream) override;

    AnsiString Text;
};

class THTMLLine : public THTMLText {
public:
    THTMLLine();
    explicit THTMLLine(AnsiString tagName);

    // What a text writes, then "<br>".
    void ElementsToStream(TStream* stream) override;
};

// Text is the link text; the target goes in the attribute "href" or "name".
class THTMLAnchor : public THTMLText {
public:
    THTMLAnchor();
};

// Attributes only; never an end tag.
class THTMLImage : public THTMLElement {
public:
    THTMLImage();
};

}  // namespace zelhtmlbuilder
