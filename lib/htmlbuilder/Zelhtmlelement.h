// THTMLElement, the node every HTML element derives from, with its attribute
// map (TTagAttributes) and its owning child list (TManagedElements).
//
// An element writes itself as its start tag, its contents and its end tag.
// Nothing is escaped, indented or separated: the bytes written follow from the
// tree alone. Attributes are written in byte-wise ascending name order, the
// values of one name in the order added, joined by "; ". Every byte goes to
// the stream through WriteToStream, one piece at a time, so that a document
// of any size is never assembled in memory first.
#pragma once

#include "Classes.hpp"
#include "Zelgenerics.h"
#include "Zelhtmlattributes.h"
#include "Zellazyvector.h"

namespace zelhtmlbuilder {

class THTMLElement;

// Not a deque, nor even a vector: a report has one element per table cell,
// most of them without children, and an empty deque allocates a whole block
// where this costs one pointer.
using THTMLElements = TLazyVector<THTMLElement*>;
// The children of an element; destroying it destroys them.
using TManagedElements =
    zelgenerics::TManagedContainer<THTMLElements, zelgenerics::TNoLockPolicy,
                                   zelgenerics::TOwnObjectsPolicy,
                                   zelgenerics::TNoAssignmentPolicy>;

class THTMLElement {
public:
    // An empty tag name makes an element that writes no tag of its own (and
    // so none of its attributes), only its contents.
    THTMLElement(AnsiString tagName, bool hasEndTag);
    virtual ~THTMLElement();

    THTMLElement(const THTMLElement&) = delete;
    THTMLElement& operator=(const THTMLElement&) = delete;

    // Appends the element to the children; from this call on the parent owns
    // it, even when appending fails (the element is then deleted). A null
    // pointer is ignored.
    virtual void AddChildElement(THTMLElement* element);

    // "<tag name="v1; v2" ...>", or nothing when the tag name is empty.
    virtual void TagStartToStream(TStream* stream);
    // The children, each as its start tag, contents and end tag.
    virtual void ElementsToStream(TStream* stream);
    // "</tag>", or nothing when the tag name is empty or there is no end tag.
    virtual void TagEndToStream(TStream* stream);
    // The start tag, the contents and the end tag.
    virtual void ToStream(TStream* stream);

    unsigned GetChildElementCount() const;
    // The child at that position; null when the index is not below the count.
    THTMLElement* GetChildElement(unsigned index) const;
    // The index-th child (from 0) among those of class T or derived from it;
    // a null handle when there are not that many.
    template <typename T>
    zelgenerics::TDisableDelete<T> GetTypedChildElement(unsigned index) const;

    // Appends a value to the attribute, creating the attribute when absent.
    void AddTagAttributeValue(const AnsiString& name, const AnsiString& value);
    // The number of values of the attribute; 0 when it is absent.
    unsigned GetTagAttributeCount(const AnsiString& name) const;
    // A copy of the index-th value of the attribute; empty when the attribute
    // is absent or has fewer values.
    AnsiString GetTagAttributeValue(const AnsiString& name, unsigned index) const;

    // The bytes the matching stream operation writes, for small fragments.
    AnsiString TagStartAsString();
    AnsiString ElementsAsString();
    AnsiString TagEndAsString();
    AnsiString AsString();

    // Writes the bytes of the text, no terminator; an empty text writes
    // nothing. Stream errors propagate as the stream raises them.
    static void WriteToStream(TStream* stream, const AnsiString& text);

    AnsiString TagName;
    TTagAttributes TagAttributes;
    bool HasEndTag;

protected:
    TManagedElements Elements;
};

template <typename T>
zelgenerics::TDisableDelete<T> THTMLElement::GetTypedChildElement(unsigned index) const
{
    unsigned seen = 0;
    for (THTMLElement* child : Elements) {
        if (T* typed = dynamic_cast<T*>(child)) {
            if (seen == index)
                return zelgenerics::TDisableDelete<T>(typed);
            ++seen;
        }
    }
    return zelgenerics::TDisableDelete<T>();
}

}  // namespace zelhtmlbuilder
