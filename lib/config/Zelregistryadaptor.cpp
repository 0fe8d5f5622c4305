// TRegistryAdaptor: typed values, multi-strings and whole sections in a
// registry key, through the registry-backed INI class.
#include "Zelregistryadaptor.h"

#include "Registry.hpp"

namespace zelconfig {

TRegistryAdaptor::TRegistryAdaptor(HKEY rootKey, const AnsiString& keyPath, unsigned int access)
    : TCustomIniAdaptor(AnsiString()), FRootKey(rootKey), FKeyPath(keyPath), FAccess(access)
{
}

TRegistryAdaptor::~TRegistryAdaptor() { Close(); }

bool TRegistryAdaptor::Open()
{
    SetStorage(nullptr);
    FRegistry.reset();
    FRegistry = std::make_unique<TRegistryIniFile>(FKeyPath, FAccess);
    FRegistry->RegIniFile()->SetRootKey(FRootKey);
    SetStorage(FRegistry.get());
    return IsOpen();
}

bool TRegistryAdaptor::Close()
{
    if (!FRegistry)
        return false;
    SetStorage(nullptr);
    FRegistry.reset();
    return true;
}

void TRegistryAdaptor::ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                                         TStringListAdaptor& values)
{
    if (FRegistry)
        FRegistry->ReadSectionValues(section, values.Get());
    else
        values = defaultValues;
}

// A registry value needs no protection against trimming or quote removal:
// the plain comma text is stored.
void TRegistryAdaptor::WriteMultiString(const AnsiString& section, const AnsiString& name,
                                        const TStringListAdaptor& value)
{
    WriteString(section, name, value->CommaText());
}

}  // namespace zelconfig
