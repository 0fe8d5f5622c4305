// handler/report: the scan's results and the reports written from them:
//   Resultmodel.h  references to found files and the tables keyed by them
//                  (selection, purge, reasons, aliases)
//   Htmlreport     the search and purge reports, HTML
//
// THTMLReport: the search-results and purge-results reports, one HTML page
// listing the found files grouped by mask, split into two sections by a
// per-file flag, with a table of contents linking to each mask's group.
//
// Masks and file names are written with &, <, > and " as entities: a file
// named <script>.obj must never become markup in the browser that opens
// the report. The page declares the charset its bytes really have (UTF-8).
#pragma once

#include <initializer_list>

#include "Resultmodel.h"
#include "Zelhtmlbuilder.h"

namespace tidewash {

// What a report shows beside each file flagged false: the reason of the
// first table in tables (null ones skipped) that has one, else "unchecked",
// the user's own choice. Files flagged true get none.
TFileReasons ReasonsForExcluded(const TFileFlags& flags, std::initializer_list<const TFileReasons*> tables);

class THTMLReport : public zelhtmlbuilder::THTMLDoc {
public:
    // The references stay owned by the caller and must outlive the report.
    // reasons, when given, tells why a file was left unselected: shown
    // beside the file in the section of files whose flag is false.
    THTMLReport(const zelutils::TMaskedFileResults& groupedResults, const TFileFlags& fileFlags,
                const TFileReasons* reasons = nullptr);

    // Builds the whole page, then creates the file (replacing one of that
    // name) and writes the page to it. Stream errors propagate.
    void WriteReport(AnsiString fileName, AnsiString title, AnsiString includedCaption,
                     AnsiString excludedCaption);

    // Appends one section table listing the files whose flag equals included.
    void AddSection(AnsiString caption, bool included);

    // A sentence shown under the title when not empty: what the scan left
    // out and why.
    AnsiString Note;

    zelhtmlbuilder::THTMLCell* IncludedContentsCell = nullptr;
    zelhtmlbuilder::THTMLCell* ExcludedContentsCell = nullptr;

private:
    const zelutils::TMaskedFileResults& GroupedResults;
    const TFileFlags& FileFlags;
    const TFileReasons* Reasons;
};

}  // namespace tidewash
