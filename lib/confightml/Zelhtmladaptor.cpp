// THTMLAdaptor: the page layout, the section and key tables, and writing the
// page on Close.
#include "Zelhtmladaptor.h"

#include "SysUtils.hpp"
#include "Zelhtmlescape.h"

namespace zelconfig {

using namespace zelhtmlbuilder;
using zelgenerics::TDisableDelete;

namespace {

TDisableDelete<THTMLCell> AddTextCell(THTMLRow& row, const AnsiString& text)
{
    auto cell = row.AddCell();
    cell->AddText()->Text = text;
    return cell;
}

void SetTableLayout(THTMLTable& table)
{
    table.AddTagAttributeValue("style", "width: 100%");
    table.AddTagAttributeValue("style", "text-align: left");
    table.AddTagAttributeValue("border", "1");
    table.AddTagAttributeValue("cellpadding", "1");
    table.AddTagAttributeValue("cellspacing", "0");
}

void SetSpan(THTMLCell& cell, const char* columns)
{
    cell.AddTagAttributeValue("colspan", columns);
    cell.AddTagAttributeValue("rowspan", "1");
}

void AddSpacerRow(THTMLTable& table)
{
    auto cell = AddTextCell(*table.AddRow(), "&nbsp;");
    SetSpan(*cell, "3");
}

}  // namespace

THTMLAdaptor::THTMLAdaptor(AnsiString fileName, AnsiString title, AnsiString description,
                           AnsiString author)
    : FFileName(std::move(fileName)),
      FTitle(std::move(title)),
      FDescription(std::move(description)),
      FAuthor(std::move(author))
{
}

THTMLAdaptor::~THTMLAdaptor() = default;

bool THTMLAdaptor::Open()
{
    // Handles into a discarded page must never be used again.
    Discard();
    FDocument = std::make_unique<THTMLDoc>();
    if (!IsOpen())
        return false;

    THTMLHeader& header = FDocument->Header;
    header.Title.Text = EscapeMarkup(FTitle);
    auto contentType = header.AddMeta();
    contentType->AddTagAttributeValue("content", "text/html");
    // The page holds the program's strings byte for byte, and those are UTF-8.
    contentType->AddTagAttributeValue("content", "charset=UTF-8");
    contentType->AddTagAttributeValue("http-equiv", "content-type");
    auto description = header.AddMeta();
    description->AddTagAttributeValue("content", EscapeMarkup(FDescription));
    description->AddTagAttributeValue("name", "description");
    auto author = header.AddMeta();
    author->AddTagAttributeValue("content", EscapeMarkup(FAuthor));
    author->AddTagAttributeValue("name", "author");

    MainTable = FDocument->Body.AddTable();
    SetTableLayout(*MainTable);

    const AnsiString labels[] = {"Title", "Description", "Author", "Date"};
    const AnsiString values[] = {CheckString(FTitle), CheckString(FDescription),
                                 CheckString(FAuthor), DateTimeToStr(Now())};
    for (int i = 0; i < 4; ++i) {
        auto row = MainTable->AddRow();
        AddTextCell(*row, labels[i])->AddTagAttributeValue("style", "font-weight: bold");
        auto value = AddTextCell(*row, values[i]);
        value->AddTagAttributeValue("style", "font-weight: bold");
        value->AddTagAttributeValue("style", "color: rgb(51, 51, 255)");
        SetSpan(*value, "2");
    }
    AddSpacerRow(*MainTable);
    return true;
}

bool THTMLAdaptor::Close()
{
    if (!FDocument)
        return false;
    {
        TFileStream file(FFileName, fmCreate);
        FDocument->ToStream(&file);
        file.Flush();
    }
    Discard();
    return true;
}

bool THTMLAdaptor::IsOpen()
{
    return FDocument != nullptr;
}

void THTMLAdaptor::Discard()
{
    SectionTables.clear();
    MainTable = TDisableDelete<THTMLTable>();
    CurrentParentSection.clear();
    FDocument.reset();
}

void THTMLAdaptor::ReadSectionValues(const AnsiString&, const TStringListAdaptor&,
                                     TStringListAdaptor&)
{
}

void THTMLAdaptor::WriteSectionValues(const AnsiString& section, const TStringListAdaptor& values)
{
    SetCurrentValue(section, "Items", values->CommaText());
}

void THTMLAdaptor::ReadInteger(const AnsiString&, const AnsiString&, const int&, int&) {}

void THTMLAdaptor::ReadDouble(const AnsiString&, const AnsiString&, const double&, double&) {}

void THTMLAdaptor::ReadDateTime(const AnsiString&, const AnsiString&, const TDateTime&, TDateTime&) {}

void THTMLAdaptor::ReadBool(const AnsiString&, const AnsiString&, const bool&, bool&) {}

void THTMLAdaptor::ReadString(const AnsiString&, const AnsiString&, const AnsiString&, AnsiString&) {}

void THTMLAdaptor::ReadMultiString(const AnsiString&, const AnsiString&, const TStringListAdaptor&,
                                   TStringListAdaptor&)
{
}

void THTMLAdaptor::WriteInteger(const AnsiString& section, const AnsiString& name, const int& value)
{
    SetCurrentValue(section, name, IntToStr(value));
}

void THTMLAdaptor::WriteDouble(const AnsiString& section, const AnsiString& name, const double& value)
{
    SetCurrentValue(section, name, FloatToStr(value));
}

void THTMLAdaptor::WriteDateTime(const AnsiString& section, const AnsiString& name,
                                 const TDateTime& value)
{
    SetCurrentValue(section, name, DateTimeToStr(value));
}

void THTMLAdaptor::WriteBool(const AnsiString& section, const AnsiString& name, const bool& value)
{
    SetCurrentValue(section, name, IntToStr(value ? 1 : 0));
}

void THTMLAdaptor::WriteString(const AnsiString& section, const AnsiString& name,
                               const AnsiString& value)
{
    SetCurrentValue(section, name, value);
}

void THTMLAdaptor::WriteMultiString(const AnsiString& section, const AnsiString& name,
                                    const TStringListAdaptor& value)
{
    SetCurrentValue(section, name, value->CommaText());
}

AnsiString THTMLAdaptor::CheckString(const AnsiString& text)
{
    if (text.empty())
        return "&nbsp;";
    // Entities first, so that the "<br>" put in below stays markup.
    const AnsiString escaped = EscapeMarkup(text);
    AnsiString out;
    out.reserve(escaped.size());
    for (char c : escaped) {
        if (c == '\n')
            out += "<br>";
        else
            out += c;
    }
    return out;
}

void THTMLAdaptor::SetParentSection(const AnsiString& name)
{
    CurrentParentSection = name;
}

void THTMLAdaptor::CreateSection(const AnsiString& name, const AnsiString& description)
{
    if (!MainTable)
        throw Exception("CreateSection : Adaptor is not open: " + name);

    AddSpacerRow(*MainTable);

    auto heads = MainTable->AddRow();
    const AnsiString headTexts[] = {"Parent Section", "Section", "Description"};
    for (int i = 0; i < 3; ++i) {
        auto cell = AddTextCell(*heads, headTexts[i]);
        cell->AddTagAttributeValue("style", "font-weight: bold");
        cell->AddTagAttributeValue("style", "color: rgb(255, 255, 255)");
        cell->AddTagAttributeValue("style", "background-color: rgb(0, 0, 0)");
        if (i < 2)
            cell->AddTagAttributeValue("style", "width: 12%");
    }

    auto values = MainTable->AddRow();
    const AnsiString valueTexts[] = {CheckString(CurrentParentSection), CheckString(name),
                                     CheckString(description)};
    for (const AnsiString& text : valueTexts) {
        auto cell = AddTextCell(*values, text);
        cell->AddTagAttributeValue("style", "background-color: rgb(255, 255, 153)");
        cell->AddTagAttributeValue("style", "font-weight: bold");
        cell->AddTagAttributeValue("style", "color: rgb(0, 0, 153)");
        cell->AddTagAttributeValue("style", "vertical-align: top");
    }

    auto keys = MainTable->AddRow();
    AddTextCell(*keys, "&nbsp;");
    auto holder = keys->AddCell();
    SetSpan(*holder, "2");
    auto keyTable = holder->AddTable();
    SetTableLayout(*keyTable);

    TSectionTable& entry = SectionTables[CurrentParentSection + name];
    entry.KeyTable = keyTable;
    entry.Keys.clear();

    auto keyHeads = keyTable->AddRow();
    const AnsiString keyHeadTexts[] = {"Key", "Default", "Current", "Description"};
    const char* widths[] = {"width: 10%", "width: 20%", "width: 20%", nullptr};
    for (int i = 0; i < 4; ++i) {
        auto cell = AddTextCell(*keyHeads, keyHeadTexts[i]);
        cell->AddTagAttributeValue("style", "background-color: rgb(204, 255, 255)");
        cell->AddTagAttributeValue("style", "font-weight: bold");
        if (widths[i] != nullptr)
            cell->AddTagAttributeValue("style", widths[i]);
    }
}

THTMLAdaptor::TSectionTable& THTMLAdaptor::GetSectionKeyTable(const AnsiString& section,
                                                             const AnsiString&)
{
    auto it = SectionTables.find(CurrentParentSection + section);
    if (it == SectionTables.end())
        throw Exception("CreateKey : Section does not exist: " + section);
    return it->second;
}

void THTMLAdaptor::CreateKey(const AnsiString& section, const AnsiString& key,
                             const AnsiString& defaultValue, const AnsiString& description)
{
    TSectionTable& table = GetSectionKeyTable(section, key);
    if (table.Keys.count(key) != 0)
        throw Exception("CreateKey : Key already exists: " + key);

    auto row = table.KeyTable->AddRow();
    table.Keys[key] = row;
    const AnsiString texts[] = {CheckString(key), CheckString(defaultValue), "&nbsp;",
                                CheckString(description)};
    for (const AnsiString& text : texts)
        AddTextCell(*row, text)->AddTagAttributeValue("style", "vertical-align: top");
}

void THTMLAdaptor::SetCurrentValue(const AnsiString& section, const AnsiString& key,
                                   const AnsiString& value)
{
    TSectionTable& table = GetSectionKeyTable(section, key);
    auto it = table.Keys.find(key);
    if (it == table.Keys.end())
        throw Exception("CreateKey : Key does not exist: " + key);
    it->second->GetCell(2)->GetText(0)->Text = CheckString(value);
}

}  // namespace zelconfig
