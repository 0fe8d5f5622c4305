// Tables, rows and their factories.
#include "Zelhtmltable.h"

namespace zelhtmlbuilder {

using zelgenerics::TDisableDelete;

THTMLTable::THTMLTable() : THTMLElement("table", /*hasEndTag=*/true) {}

TDisableDelete<THTMLRow> THTMLTable::AddRow()
{
    auto* row = new THTMLRow();
    AddChildElement(row);
    return TDisableDelete<THTMLRow>(row);
}

TDisableDelete<THTMLRow> THTMLTable::GetRow(unsigned index) const
{
    return GetTypedChildElement<THTMLRow>(index);
}

THTMLRow::THTMLRow() : THTMLElement("tr", /*hasEndTag=*/true) {}

TDisableDelete<THTMLCell> THTMLRow::AddCell()
{
    auto* cell = new THTMLCell();
    AddChildElement(cell);
    return TDisableDelete<THTMLCell>(cell);
}

TDisableDelete<THTMLCell> THTMLRow::GetCell(unsigned index) const
{
    return GetTypedChildElement<THTMLCell>(index);
}

}  // namespace zelhtmlbuilder
