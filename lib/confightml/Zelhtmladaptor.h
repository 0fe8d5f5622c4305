// THTMLAdaptor: a write-only configuration adaptor that collects what is
// written to it as an HTML page and writes the page to its file on Close.
//
// The page is one table: a header block (title, description, author, date),
// then per section a block naming its parent sections, its name and its
// description above a nested table of its keys with their default, current
// value and description. Sections and keys are declared with CreateSection
// and CreateKey; the write operations then fill the "Current" column.
//
// Every text taken from the configuration is shown as text: CheckString turns
// the characters that HTML reads as markup into entities, so no value can
// change the page's structure.
#pragma once

#include <map>
#include <memory>

#include "Zelconfigadaptor.h"
#include "Zelhtmlbuilder.h"

namespace zelconfig {

class THTMLAdaptor : public TBaseConfigAdaptor {
public:
    // The key table of one section and its rows by key name. Both point into
    // the document, which owns the elements.
    struct TSectionTable {
        zelgenerics::TDisableDelete<zelhtmlbuilder::THTMLTable> KeyTable;
        std::map<AnsiString, zelgenerics::TDisableDelete<zelhtmlbuilder::THTMLRow>> Keys;
    };

    THTMLAdaptor(AnsiString fileName, AnsiString title, AnsiString description, AnsiString author);
    // Drops a page that was never closed without writing it.
    ~THTMLAdaptor() override;

    // Starts a new page with its header block; on an open adaptor the page
    // being built is discarded, with its sections and parent section.
    bool Open() override;
    // Writes the page to the file (created, or emptied when it exists) and
    // discards it; false when nothing was open. When the file cannot be
    // written the stream's exception propagates and the page is kept.
    bool Close() override;
    bool IsOpen() override;

    // The page cannot be read back: the reads leave their output unchanged.
    void ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                           TStringListAdaptor& values) override;
    // The comma text of the lines, as the current value of the key "Items".
    void WriteSectionValues(const AnsiString& section, const TStringListAdaptor& values) override;

    void ReadInteger(const AnsiString& section, const AnsiString& name, const int& defaultValue,
                     int& value) override;
    void ReadDouble(const AnsiString& section, const AnsiString& name, const double& defaultValue,
                    double& value) override;
    void ReadDateTime(const AnsiString& section, const AnsiString& name, const TDateTime& defaultValue,
                      TDateTime& value) override;
    void ReadBool(const AnsiString& section, const AnsiString& name, const bool& defaultValue,
                  bool& value) override;
    void ReadString(const AnsiString& section, const AnsiString& name, const AnsiString& defaultValue,
                    AnsiString& value) override;
    void ReadMultiString(const AnsiString& section, const AnsiString& name,
                         const TStringListAdaptor& defaultValue, TStringListAdaptor& value) override;

    // Each sets the key's current value: decimal, general float with up to 15
    // digits, the runtime's date-time text, "0"/"1", the text itself, and the
    // list's comma text.
    void WriteInteger(const AnsiString& section, const AnsiString& name, const int& value) override;
    void WriteDouble(const AnsiString& section, const AnsiString& name, const double& value) override;
    void WriteDateTime(const AnsiString& section, const AnsiString& name,
                       const TDateTime& value) override;
    void WriteBool(const AnsiString& section, const AnsiString& name, const bool& value) override;
    void WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value) override;
    void WriteMultiString(const AnsiString& section, const AnsiString& name,
                          const TStringListAdaptor& value) override;

    // The text as page content: "&nbsp;" for an empty text; otherwise "&",
    // "<", ">" and '"' as entities, then every line feed as "<br>" (a
    // carriage return before it stays).
    AnsiString CheckString(const AnsiString& text);
    // The names of the parent sections, run together, that the next sections
    // are created under and looked up with.
    void SetParentSection(const AnsiString& name);
    // Appends the section's block under the current parent section. An
    // earlier section with the same parent and name text stays on the page
    // but is no longer reachable. Raises Exception when the adaptor is not
    // open.
    void CreateSection(const AnsiString& name, const AnsiString& description);
    // The section created under the current parent section; raises
    // "CreateKey : Section does not exist: <section>".
    TSectionTable& GetSectionKeyTable(const AnsiString& section, const AnsiString& key);
    // Adds the key's row with an empty current value; raises
    // "CreateKey : Key already exists: <key>".
    void CreateKey(const AnsiString& section, const AnsiString& key, const AnsiString& defaultValue,
                   const AnsiString& description);
    // Replaces the key's current value; raises
    // "CreateKey : Key does not exist: <key>".
    void SetCurrentValue(const AnsiString& section, const AnsiString& key, const AnsiString& value);

private:
    void Discard();

    const AnsiString FFileName;
    const AnsiString FTitle;
    const AnsiString FDescription;
    const AnsiString FAuthor;
    std::unique_ptr<zelhtmlbuilder::THTMLDoc> FDocument;
    AnsiString CurrentParentSection;
    zelgenerics::TDisableDelete<zelhtmlbuilder::THTMLTable> MainTable;
    std::map<AnsiString, TSectionTable> SectionTables;
};

}  // namespace zelconfig
