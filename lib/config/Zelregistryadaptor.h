// TRegistryAdaptor: configuration storage in a registry key.
#pragma once

#include <windows.h>

#include "Zelcustominiadaptor.h"

namespace zelconfig {

// Stores each value as a registry value: the section is a subkey of the key
// path (below the root key), the item name is the value name. There is no
// section prefix.
//
// Value kinds (those of the runtime's registry-backed INI class):
//   int          REG_DWORD (negative numbers as their 32-bit pattern)
//   bool         REG_DWORD 1 or 0; read back true unless 0
//   double       REG_SZ, general format with up to 15 significant digits
//   TDateTime    REG_SZ, "yyyy-mm-dd hh:nn:ss", the time left out at midnight
//   AnsiString   REG_SZ
//   string list  REG_SZ, the list's plain comma text
//   section      one REG_SZ value per line
// A value that is missing, or does not convert, reads as the default.
//
// On a closed adaptor, reads give their default (ReadSectionValues hands
// back the defaults) and writes do nothing. Registry failures raise
// ERegistryException.
class TRegistryAdaptor : public TCustomIniAdaptor {
public:
    TRegistryAdaptor(HKEY rootKey, const AnsiString& keyPath, unsigned int access);

    bool Open() override;

    // All the values of the section's key; none when the key is missing.
    void ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                           TStringListAdaptor& values) override;
    // The list's plain comma text: a registry value is neither trimmed nor
    // unquoted when read.
    void WriteMultiString(const AnsiString& section, const AnsiString& name,
                          const TStringListAdaptor& value) override;

    HKEY RootKey() const { return FRootKey; }
    const AnsiString& KeyPath() const { return FKeyPath; }
    unsigned int Access() const { return FAccess; }

private:
    const HKEY FRootKey;
    const AnsiString FKeyPath;
    const unsigned int FAccess;
};

}  // namespace zelconfig
