// TRegistryAdaptor: typed values, multi-strings and whole sections in a
// registry key, through the registry-backed INI class.
#include "Zelregistryadaptor.h"

#include <memory>
#include <utility>

#include "Registry.hpp"

namespace zelconfig {

TRegistryAdaptor::TRegistryAdaptor(HKEY rootKey, const AnsiString& keyPath, unsigned int access)
    : TCustomIniAdaptor(AnsiString()), FRootKey(rootKey), FKeyPath(keyPath), FAccess(access)
{
}

bool TRegistryAdaptor::Open()
{
    // Closed first: should the storage not be made, the adaptor is closed.
    Close();
    auto registry = std::make_unique<TRegistryIniFile>(FKeyPath, FAccess);
    registry->RegIniFile()->SetRootKey(FRootKey);
    Own(std::move(registry));
    return IsOpen();
}

void TRegistryAdaptor::ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                                         TStringListAdaptor& values)
{
    if (IsOpen())
        Storage()->ReadSectionValues(Section(section), values.Get());
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
