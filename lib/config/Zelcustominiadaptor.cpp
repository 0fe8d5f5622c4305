// TCustomIniAdaptor: the typed values and whole sections, through the
// runtime's INI file interface.
#include "Zelcustominiadaptor.h"

#include <utility>

namespace zelconfig {

bool TCustomIniAdaptor::Close()
{
    // Not IsOpen(): the destructor calls this, where no override may answer.
    if (FStorage == nullptr)
        return false;
    FStorage = nullptr;
    FOwned.reset();
    return true;
}

void TCustomIniAdaptor::Use(TCustomIniFile& storage)
{
    Close();
    FStorage = &storage;
}

void TCustomIniAdaptor::Own(std::unique_ptr<TCustomIniFile> storage)
{
    Close();
    FOwned = std::move(storage);
    FStorage = FOwned.get();
}

void TCustomIniAdaptor::WriteSectionValues(const AnsiString& section, const TStringListAdaptor& values)
{
    if (!FStorage)
        return;
    FStorage->EraseSection(Section(section));
    for (int i = 0; i < values->Count(); ++i) {
        const AnsiString name = values->Names(i);
        WriteString(section, name, values->Values(name));
    }
}

void TCustomIniAdaptor::ReadInteger(const AnsiString& section, const AnsiString& name, const int& defaultValue,
                                    int& value)
{
    value = FStorage ? FStorage->ReadInteger(Section(section), name, defaultValue) : defaultValue;
}

void TCustomIniAdaptor::ReadDouble(const AnsiString& section, const AnsiString& name,
                                   const double& defaultValue, double& value)
{
    value = FStorage ? FStorage->ReadFloat(Section(section), name, defaultValue) : defaultValue;
}

void TCustomIniAdaptor::ReadDateTime(const AnsiString& section, const AnsiString& name,
                                     const TDateTime& defaultValue, TDateTime& value)
{
    value = FStorage ? FStorage->ReadDateTime(Section(section), name, defaultValue) : defaultValue;
}

void TCustomIniAdaptor::ReadBool(const AnsiString& section, const AnsiString& name, const bool& defaultValue,
                                 bool& value)
{
    value = FStorage ? FStorage->ReadBool(Section(section), name, defaultValue) : defaultValue;
}

void TCustomIniAdaptor::ReadString(const AnsiString& section, const AnsiString& name,
                                   const AnsiString& defaultValue, AnsiString& value)
{
    value = FStorage ? FStorage->ReadString(Section(section), name, defaultValue) : defaultValue;
}

void TCustomIniAdaptor::ReadMultiString(const AnsiString& section, const AnsiString& name,
                                        const TStringListAdaptor& defaultValue, TStringListAdaptor& value)
{
    AnsiString text;
    ReadString(section, name, defaultValue->CommaText(), text);
    value->SetCommaText(text);
}

void TCustomIniAdaptor::WriteInteger(const AnsiString& section, const AnsiString& name, const int& value)
{
    if (FStorage)
        FStorage->WriteInteger(Section(section), name, value);
}

void TCustomIniAdaptor::WriteDouble(const AnsiString& section, const AnsiString& name, const double& value)
{
    if (FStorage)
        FStorage->WriteFloat(Section(section), name, value);
}

void TCustomIniAdaptor::WriteDateTime(const AnsiString& section, const AnsiString& name, const TDateTime& value)
{
    if (FStorage)
        FStorage->WriteDateTime(Section(section), name, value);
}

void TCustomIniAdaptor::WriteBool(const AnsiString& section, const AnsiString& name, const bool& value)
{
    if (FStorage)
        FStorage->WriteBool(Section(section), name, value);
}

void TCustomIniAdaptor::WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    if (FStorage)
        FStorage->WriteString(Section(section), name, value);
}

}  // namespace zelconfig
