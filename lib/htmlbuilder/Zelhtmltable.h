// Tables: THTMLTable ("table") holds THTMLRow ("tr") children, which hold
// THTMLCell ("td") children. Text goes into the cells.
#pragma once

#include "Zelhtmlbody.h"

namespace zelhtmlbuilder {

class THTMLRow;

class THTMLTable : public THTMLElement {
public:
    THTMLTable();

    zelgenerics::TDisableDelete<THTMLRow> AddRow();
    // The index-th row (from 0); a null handle past the last.
    zelgenerics::TDisableDelete<THTMLRow> GetRow(unsigned index) const;
};

class THTMLRow : public THTMLElement {
public:
    THTMLRow();

    zelgenerics::TDisableDelete<THTMLCell> AddCell();
    // The index-th cell (from 0); a null handle past the last.
    zelgenerics::TDisableDelete<THTMLCell> GetCell(unsigned index) const;
};

}  // namespace zelhtmlbuilder
