// The document and its head:
//   THTMLDocType   the HTML 4.01 Transitional declaration
//   THTMLTitle     "title"
//   THTMLMeta      "meta", attributes only
//   THTMLHeader    the head: metas, then the title
//   THTMLDoc       the whole document
//
// A document is written as the declaration followed by one html element whose
// contents are the head's metas and title and then the body's contents. The
// head and body tags are never written, so attributes stored on Header or
// Body do not appear in the output.
#pragma once

#include "Zelhtmlbody.h"
#include "Zelhtmltable.h"

namespace zelhtmlbuilder {

// Written as a start tag, "<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01
// Transitional//EN">", and nothing more.
class THTMLDocType : public THTMLElement {
public:
    THTMLDocType();
};

class THTMLTitle : public THTMLElement {
public:
    THTMLTitle();

    // The children, then Text.
    void ElementsToStream(TStream* stream) override;

    AnsiString Text;
};

class THTMLMeta : public THTMLElement {
public:
    THTMLMeta();
};

class THTMLHeader : public THTMLElement {
public:
    THTMLHeader();

    // The metas in the order added, then the title element.
    void ElementsToStream(TStream* stream) override;

    zelgenerics::TDisableDelete<THTMLMeta> AddMeta();
    // The index-th meta (from 0); a null handle past the last.
    zelgenerics::TDisableDelete<THTMLMeta> GetMeta(unsigned index) const;

    THTMLTitle Title;
};

class THTMLDoc : public THTMLElement {
public:
    THTMLDoc();

    // The document's own children, then the head's contents, then the body's
    // contents, with no head or body tags.
    void ElementsToStream(TStream* stream) override;
    // The declaration, then "<html ...>", the contents and "</html>".
    void ToStream(TStream* stream) override;

    THTMLDocType DocType;
    THTMLHeader Header;
    THTMLBody Body;
};

}  // namespace zelhtmlbuilder
