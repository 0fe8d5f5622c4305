// THTMLReport: the tree of the two reports, built in one pass over the
// grouped results, then written to the file.
#include "Htmlreport.h"

#include <algorithm>

#include "AtomicFile.hpp"
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

// The part of the flag table that belongs to one group of results: the
// table is ordered by group, then position.
std::pair<TFileFlags::const_iterator, TFileFlags::const_iterator> GroupRange(const TFileFlags& flags,
                                                                              const zelutils::TSearchResults& group)
{
    return {flags.lower_bound(TResultRef{&group, 0}), flags.lower_bound(TResultRef{&group, group.size()})};
}

// The rows of one mask in one section, written straight from the results
// when the page is written. A purge report has a row per file; built as
// elements, every row was a row, two cells, an anchor or a text and their
// attributes, made, written piece by piece and destroyed again, which took
// more processor time than the deletions the report lists. The bytes are
// the ones those elements wrote: the mask's anchor in the first row, the
// way back to the top in the second, nothing in the mask column after.
class TFileRows : public THTMLElement {
public:
    TFileRows(const zelutils::TSearchResults& group, const TFileFlags& flags, bool included, AnsiString mask,
              AnsiString anchorName, const TFileReasons* reasons)
        : THTMLElement(AnsiString(), false),
          FGroup(group),
          FFlags(flags),
          FIncluded(included),
          FMask(std::move(mask)),
          FAnchorName(std::move(anchorName)),
          FReasons(reasons)
    {
    }

    void ElementsToStream(TStream* stream) override
    {
        // The rows go out in pieces of about this size: few calls down the
        // stream, little memory.
        constexpr std::size_t kPiece = 32 * 1024;
        AnsiString out, name;
        out.reserve(kPiece + 1024);
        int row = 0;
        const auto [first, last] = GroupRange(FFlags, FGroup);
        for (auto it = first; it != last; ++it) {
            if (it->second != FIncluded)
                continue;
            if (row == 0) {
                out += "<tr><td style=\"width: 10%; font-weight: bold; background-color: rgb(255, 255, 204); "
                       "color: rgb(0, 0, 0)\"><a name=\"";
                out += FAnchorName;
                out += "\">";
                out += FMask;
                out += "</a></td><td>";
            } else if (row == 1) {
                out += "<tr><td style=\"width: 10%\"><a href=\"#Top\">Back to top</a></td><td>";
            } else {
                out += "<tr><td style=\"width: 10%\">&nbsp;</td><td>";
            }
            const zelutils::TSearchResult& found = *it->first;
            name.assign(found.Path()).append(found.Name);
            AppendEscapedVisible(out, name);
            if (!FIncluded && FReasons != nullptr) {
                const auto reason = FReasons->find(it->first);
                if (reason != FReasons->end()) {
                    out += "&nbsp;&nbsp;(";
                    AppendEscapedVisible(out, reason->second);
                    out += ")";
                }
            }
            out += "</td></tr>";
            ++row;
            if (out.size() >= kPiece) {
                WriteToStream(stream, out);
                out.clear();
            }
        }
        WriteToStream(stream, out);
    }

private:
    const zelutils::TSearchResults& FGroup;
    const TFileFlags& FFlags;
    const bool FIncluded;
    const AnsiString FMask;        // escaped
    const AnsiString FAnchorName;
    const TFileReasons* FReasons;
};

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
    if (!Note.empty())
        Body.AddText("p")->Text = Note;

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

    // Written beside the old report and renamed over it: a link planted
    // under the report's name is replaced, its target never written.
    TStringStream stream;
    ToStream(&stream);
    vcl::AtomicReplaceFile(fileName, stream.DataString());
}

TFileReasons ReasonsForExcluded(const TFileFlags& flags, std::initializer_list<const TFileReasons*> tables)
{
    TFileReasons reasons;
    for (const auto& [ref, flag] : flags) {
        if (flag)
            continue;
        AnsiString reason = "unchecked";
        for (const TFileReasons* table : tables)
            if (table != nullptr)
                if (const auto found = table->find(ref); found != table->end()) {
                    reason = found->second;
                    break;
                }
        reasons.emplace_hint(reasons.end(), ref, std::move(reason));
    }
    return reasons;
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
        const auto [first, last] = GroupRange(FileFlags, results);
        const bool listed = std::any_of(first, last, [&](const auto& flag) { return flag.second == included; });
        if (listed) {
            const AnsiString anchorName = anchorPrefix + IntToStr(maskNumber);
            if (contentsCell != nullptr) {
                auto link = contentsCell->AddLine()->AddAnchor();
                link->AddTagAttributeValue("href", "#" + anchorName);
                link->Text = EscapeVisible(mask);
            }
            list->AddChildElement(new TFileRows(results, FileFlags, included, EscapeVisible(mask), anchorName,
                                                included ? nullptr : Reasons));
        }
        ++maskNumber;
    }
    Body.AddLine();
}

}  // namespace tidewash
