// TRegistryAdaptor: typed values, multi-strings and whole sections in a
// registry key, through the registry-backed INI class.
#include "Zelregistryadaptor.h"

#include "Registry.hpp"

namespace zelconfig {

TRegistryAdaptor::TRegistryAdaptor(HKEY rootKey, const AnsiString& keyPath, unsigned int access)
    : FRootKey(rootKey), FKeyPath(keyPath), FAccess(access)
{
}

TRegistryAdaptor::~TRegistryAdaptor() { Close(); }

bool TRegistryAdaptor::Open()
{
    FRegistry.reset();
    FRegistry = std::make_unique<TRegistryIniFile>(FKeyPath, FAccess);
    FRegistry->RegIniFile()->SetRootKey(FRootKey);
    return IsOpen();
}

bool TRegistryAdaptor::Close()
{
    if (!FRegistry)
        return false;
    FRegistry.reset();
    return true;
}

bool TRegistryAdaptor::IsOpen() { return FRegistry != nullptr; }

void TRegistryAdaptor::ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                                         TStringListAdaptor& values)
{
    if (FRegistry)
        FRegistry->ReadSectionValues(section, values.Get());
    else
        values = defaultValues;
}

void TRegistryAdaptor::WriteSectionValues(const AnsiString& section, const TStringListAdaptor& values)
{
    if (!FRegistry)
        return;
    FRegistry->EraseSection(section);
    for (int i = 0; i < values->Count(); ++i) {
        const AnsiString name = values->Names(i);
        WriteString(section, name, values->Values(name));
    }
}

void TRegistryAdaptor::ReadInteger(const AnsiString& section, const AnsiString& name, const int& defaultValue,
                                   int& value)
{
    value = FRegistry ? FRegistry->ReadInteger(section, name, defaultValue) : defaultValue;
}

void TRegistryAdaptor::ReadDouble(const AnsiString& section, const AnsiString& name,
                                  const double& defaultValue, double& value)
{
    value = FRegistry ? FRegistry->ReadFloat(section, name, defaultValue) : defaultValue;
}

void TRegistryAdaptor::ReadDateTime(const AnsiString& section, const AnsiString& name,
                                    const TDateTime& defaultValue, TDateTime& value)
{
    value = FRegistry ? FRegistry->ReadDateTime(section, name, defaultValue) : defaultValue;
}

void TRegistryAdaptor::ReadBool(const AnsiString& section, const AnsiString& name, const bool& defaultValue,
                                bool& value)
{
    value = FRegistry ? FRegistry->ReadBool(section, name, defaultValue) : defaultValue;
}

void TRegistryAdaptor::ReadString(const AnsiString& section, const AnsiString& name,
                                  const AnsiString& defaultValue, AnsiString& value)
{
    value = FRegistry ? FRegistry->ReadString(section, name, defaultValue) : defaultValue;
}

void TRegistryAdaptor::ReadMultiString(const AnsiString& section, const AnsiString& name,
                                       const TStringListAdaptor& defaultValue, TStringListAdaptor& value)
{
    AnsiString text;
    ReadString(section, name, defaultValue->CommaText(), text);
    value->SetCommaText(text);
}

void TRegistryAdaptor::WriteInteger(const AnsiString& section, const AnsiString& name, const int& value)
{
    if (FRegistry)
        FRegistry->WriteInteger(section, name, value);
}

void TRegistryAdaptor::WriteDouble(const AnsiString& section, const AnsiString& name, const double& value)
{
    if (FRegistry)
        FRegistry->WriteFloat(section, name, value);
}

void TRegistryAdaptor::WriteDateTime(const AnsiString& section, const AnsiString& name, const TDateTime& value)
{
    if (FRegistry)
        FRegistry->WriteDateTime(section, name, value);
}

void TRegistryAdaptor::WriteBool(const AnsiString& section, const AnsiString& name, const bool& value)
{
    if (FRegistry)
        FRegistry->WriteBool(section, name, value);
}

void TRegistryAdaptor::WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    if (FRegistry)
        FRegistry->WriteString(section, name, value);
}

// A registry value needs no protection against trimming or quote removal:
// the plain comma text is stored.
void TRegistryAdaptor::WriteMultiString(const AnsiString& section, const AnsiString& name,
                                        const TStringListAdaptor& value)
{
    WriteString(section, name, value->CommaText());
}

}  // namespace zelconfig
