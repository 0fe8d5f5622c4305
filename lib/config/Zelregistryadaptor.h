// TRegistryAdaptor: configuration storage in a registry key.
#pragma once

#include <memory>

#include <windows.h>

#include "Zelconfigadaptor.h"

class TRegistryIniFile;

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
class TRegistryAdaptor : public TBaseConfigAdaptor {
public:
    TRegistryAdaptor(HKEY rootKey, const AnsiString& keyPath, unsigned int access);
    ~TRegistryAdaptor() override;

    bool Open() override;
    bool Close() override;
    bool IsOpen() override;

    // All the values of the section's key; none when the key is missing.
    void ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                           TStringListAdaptor& values) override;
    // Deletes the section's key, with its subkeys, then writes one value per
    // line (for a name that repeats, ignoring case, the first line's value).
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

    void WriteInteger(const AnsiString& section, const AnsiString& name, const int& value) override;
    void WriteDouble(const AnsiString& section, const AnsiString& name, const double& value) override;
    void WriteDateTime(const AnsiString& section, const AnsiString& name, const TDateTime& value) override;
    void WriteBool(const AnsiString& section, const AnsiString& name, const bool& value) override;
    void WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value) override;
    void WriteMultiString(const AnsiString& section, const AnsiString& name,
                          const TStringListAdaptor& value) override;

    HKEY RootKey() const { return FRootKey; }
    const AnsiString& KeyPath() const { return FKeyPath; }
    unsigned int Access() const { return FAccess; }

private:
    const HKEY FRootKey;
    const AnsiString FKeyPath;
    const unsigned int FAccess;
    std::unique_ptr<TRegistryIniFile> FRegistry;
};

}  // namespace zelconfig
