// TIniFileAdaptor: typed values, multi-strings and whole sections in an INI file.
#include "Zelinifileadaptor.h"

#include "Zelconvert.h"

namespace zelconfig {

TIniFileAdaptor::TIniFileAdaptor(const AnsiString& fileName, const AnsiString& sectionPrefix)
    : FFileName(fileName), FSectionPrefix(sectionPrefix)
{
}

TIniFileAdaptor::TIniFileAdaptor(TCustomIniFile& iniFile, const AnsiString& sectionPrefix)
    : FSectionPrefix(sectionPrefix), FBorrowed(&iniFile)
{
}

TIniFileAdaptor::~TIniFileAdaptor() { Close(); }

bool TIniFileAdaptor::Open()
{
    FOwned.reset();
    if (FBorrowed != nullptr) {
        FIniFile = FBorrowed;
    } else {
        FOwned = std::make_unique<TIniFile>(FFileName);
        FIniFile = FOwned.get();
    }
    return IsOpen();
}

bool TIniFileAdaptor::Close()
{
    if (!FIniFile)
        return false;
    FIniFile = nullptr;
    FOwned.reset();
    return true;
}

bool TIniFileAdaptor::IsOpen() { return FIniFile != nullptr; }

void TIniFileAdaptor::ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                                        TStringListAdaptor& values)
{
    if (!FIniFile)
        return;
    if (FIniFile->SectionExists(Section(section)))
        FIniFile->ReadSectionValues(Section(section), values.Get());
    else
        values = defaultValues;
}

void TIniFileAdaptor::WriteSectionValues(const AnsiString& section, const TStringListAdaptor& values)
{
    if (!FIniFile)
        return;
    FIniFile->EraseSection(Section(section));
    for (int i = 0; i < values->Count(); ++i) {
        const AnsiString name = values->Names(i);
        WriteString(section, name, values->Values(name));
    }
}

void TIniFileAdaptor::ReadInteger(const AnsiString& section, const AnsiString& name, const int& defaultValue,
                                  int& value)
{
    value = FIniFile ? FIniFile->ReadInteger(Section(section), name, defaultValue) : defaultValue;
}

void TIniFileAdaptor::ReadDouble(const AnsiString& section, const AnsiString& name,
                                 const double& defaultValue, double& value)
{
    value = FIniFile ? FIniFile->ReadFloat(Section(section), name, defaultValue) : defaultValue;
}

void TIniFileAdaptor::ReadDateTime(const AnsiString& section, const AnsiString& name,
                                   const TDateTime& defaultValue, TDateTime& value)
{
    value = FIniFile ? FIniFile->ReadDateTime(Section(section), name, defaultValue) : defaultValue;
}

void TIniFileAdaptor::ReadBool(const AnsiString& section, const AnsiString& name, const bool& defaultValue,
                               bool& value)
{
    value = FIniFile ? FIniFile->ReadBool(Section(section), name, defaultValue) : defaultValue;
}

void TIniFileAdaptor::ReadString(const AnsiString& section, const AnsiString& name,
                                 const AnsiString& defaultValue, AnsiString& value)
{
    value = FIniFile ? FIniFile->ReadString(Section(section), name, defaultValue) : defaultValue;
}

void TIniFileAdaptor::ReadMultiString(const AnsiString& section, const AnsiString& name,
                                      const TStringListAdaptor& defaultValue, TStringListAdaptor& value)
{
    AnsiString text;
    ReadString(section, name, defaultValue->CommaText(), text);
    value->SetCommaText(text);
}

void TIniFileAdaptor::WriteInteger(const AnsiString& section, const AnsiString& name, const int& value)
{
    if (FIniFile)
        FIniFile->WriteInteger(Section(section), name, value);
}

void TIniFileAdaptor::WriteDouble(const AnsiString& section, const AnsiString& name, const double& value)
{
    if (FIniFile)
        FIniFile->WriteFloat(Section(section), name, value);
}

void TIniFileAdaptor::WriteDateTime(const AnsiString& section, const AnsiString& name, const TDateTime& value)
{
    if (FIniFile)
        FIniFile->WriteDateTime(Section(section), name, value);
}

void TIniFileAdaptor::WriteBool(const AnsiString& section, const AnsiString& name, const bool& value)
{
    if (FIniFile)
        FIniFile->WriteBool(Section(section), name, value);
}

void TIniFileAdaptor::WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    if (FIniFile)
        FIniFile->WriteString(Section(section), name, value);
}

void TIniFileAdaptor::WriteMultiString(const AnsiString& section, const AnsiString& name,
                                       const TStringListAdaptor& value)
{
    WriteString(section, name, zelcore::QuoteCommaText(value->CommaText()));
}

}  // namespace zelconfig
