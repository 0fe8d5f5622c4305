// THTMLReport: the tree of the two reports, built in one pass over the
// grouped results, then written to the file.
#include "Htmlreport.h"

#include "SysUtils.hpp"

namespace tidewash {

using namespace zelhtmlbuilder;

namespace {

const char* const kAuthor = "Tidewash, cleaner for IDE temporary files";

template <typename Element>
void Style(Element& element, std::initializer_list<const char*> values)
{
    for (const char* v : values)
        element->AddTagAttributeValue("style", v);
}

template <typename Element>
void TableFrame(Element& table, const char* border, const char* padding, const char* spacing)
{
    table->AddTagAttributeValue("border", border);
    table->AddTagAttributeValue("cellpadding", padding);
    table->AddTagAttributeValue("cellspacing", spacing);
}

}  // namespace

THTMLReport::THTMLReport(const zelutils::TMaskedFileResults& groupedResults, const TFileFlags& fileFlags,
                         const TFileReasons* reasons)
    : GroupedResults(groupedResults), FileFlags(fileFlags), Reasons(reasons)
{
}

void THTMLReport::WriteReport(AnsiString fileName, AnsiString title, AnsiString includedCaption,
                              AnsiString excludedCaption)
{
    Header.Title.Text = title;

    auto meta = Header.AddMeta();
    meta->AddTagAttributeValue("content", "text/html");
    meta->AddTagAttributeValue("content", "charset=UTF-8");
    meta->AddTagAttributeValue("http-equiv", "content-type");
    meta = Header.AddMeta();
    meta->AddTagAttributeValue("content", title);
    meta->AddTagAttributeValue("name", "description");
    meta = Header.AddMeta();
    meta->AddTagAttributeValue("content", kAuthor);
    meta->AddTagAttributeValue("name", "author");

    auto heading = Body.AddText("div");
    Style(heading, {"text-align: center"});
    auto font = heading->AddText("font");
    Style(font, {"font-weight: bold"});
    font->AddTagAttributeValue("size", "+3");
    font->Text = title;

    Body.AddLine();

    auto contents = Body.AddTable();
    Style(contents, {"text-align: left", "width: 100%", "background-color: rgb(255, 255, 204)"});
    TableFrame(contents, "1", "0", "0");
    auto cell = contents->AddRow()->AddCell();
    auto rule = cell->AddText("hr");
    Style(rule, {"width: 100%", "height: 2px"});
    auto centre = cell->AddText("div");
    Style(centre, {"text-align: center"});
    auto span = centre->AddText("span");
    Style(span, {"font-weight: bold"});
    span->Text = "TABLE OF CONTENTS";
    rule = cell->AddText("hr");
    Style(rule, {"width: 100%", "height: 2px"});
    cell->AddLine(AnsiString());

    auto inner = cell->AddTable();
    Style(inner, {"text-align: left", "width: 100%"});
    TableFrame(inner, "0", "0", "0");
    auto heads = inner->AddRow();
    for (const char* caption : {"&nbsp;Masks Included", "&nbsp;Masks Excluded"}) {
        auto head = heads->AddCell();
        Style(head, {"width: 50%", "text-align: center", "font-weight: bold"});
        head->Text = caption;
    }
    auto lists = inner->AddRow();
    auto included = lists->AddCell();
    Style(included, {"text-align: center", "vertical-align: top"});
    auto excluded = lists->AddCell();
    Style(excluded, {"text-align: center", "vertical-align: top"});
    IncludedContentsCell = &*included;
    ExcludedContentsCell = &*excluded;
    cell->AddLine();

    Body.AddLine();
    AddSection(includedCaption, true);
    AddSection(excludedCaption, false);

    TFileStream stream(fileName, fmCreate);
    ToStream(&stream);
    stream.Flush();
}

void THTMLReport::AddSection(AnsiString caption, bool included)
{
    auto section = Body.AddTable();
    Style(section, {"text-align: left", "width: 100%"});
    TableFrame(section, "1", "2", "2");
    auto list = section->AddRow()->AddCell()->AddTable();
    Style(list, {"text-align: left", "width: 100%"});
    TableFrame(list, "1", "1", "1");

    auto captionRow = list->AddRow();
    Style(captionRow, {"font-weight: bold"});
    auto captionCell = captionRow->AddCell();
    Style(captionCell, {"background-color: rgb(204, 255, 255)"});
    captionCell->AddTagAttributeValue("colspan", "2");
    captionCell->AddTagAttributeValue("rowspan", "1");
    captionCell->Text = "&nbsp;" + caption;

    auto heads = list->AddRow();
    auto maskHead = heads->AddCell();
    Style(maskHead, {"font-weight: bold", "width: 10%", "background-color: rgb(0, 0, 0)",
                     "color: rgb(255, 255, 255)"});
    maskHead->Text = "&nbsp;Mask";
    auto nameHead = heads->AddCell();
    Style(nameHead, {"font-weight: bold", "width: 10", "background-color: rgb(0, 0, 0)",
                     "color: rgb(255, 255, 255)"});
    nameHead->Text = "&nbsp;FileName";

    THTMLCell* contentsCell = included ? IncludedContentsCell : ExcludedContentsCell;
    const AnsiString anchorPrefix = included ? "MaskIn_" : "MaskEx_";
    int maskNumber = 1;
    for (const auto& [mask, results] : GroupedResults) {
        int row = 0;
        for (std::size_t i = 0; i < results.size(); ++i) {
            const auto flag = FileFlags.find(TResultRef{&results, i});
            if (flag == FileFlags.end() || flag->second != included)
                continue;
            auto line = list->AddRow();
            auto maskCell = line->AddCell();
            Style(maskCell, {"width: 10%"});
            if (row == 0) {
                Style(maskCell, {"font-weight: bold", "background-color: rgb(255, 255, 204)",
                                 "color: rgb(0, 0, 0)"});
                auto anchor = maskCell->AddAnchor();
                anchor->Text = EscapeVisible(mask);
                anchor->AddTagAttributeValue("name", anchorPrefix + IntToStr(maskNumber));
                if (contentsCell != nullptr) {
                    auto link = contentsCell->AddLine()->AddAnchor();
                    link->AddTagAttributeValue("href", "#" + anchorPrefix + IntToStr(maskNumber));
                    link->Text = EscapeVisible(mask);
                }
            } else if (row == 1) {
                auto back = maskCell->AddAnchor();
                back->AddTagAttributeValue("href", "#Top");
                back->Text = "Back to top";
            } else {
                maskCell->Text = "&nbsp;";
            }
            AnsiString text = EscapeVisible(results[i].GetFullName());
            if (!included && Reasons != nullptr) {
                const auto reason = Reasons->find(TResultRef{&results, i});
                if (reason != Reasons->end())
                    text += "&nbsp;&nbsp;(" + EscapeVisible(reason->second) + ")";
            }
            line->AddCell()->Text = text;
            ++row;
        }
        ++maskNumber;
    }
    Body.AddLine();
}

}  // namespace tidewash
