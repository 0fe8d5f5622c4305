// TCustomIniAdaptor: what the INI file and the registry adaptors share.
#pragma once

#include <memory>

#include "IniFiles.hpp"
#include "Zelconfigadaptor.h"

namespace zelconfig {

// Both adaptors store through the runtime's INI file interface
// (TCustomIniFile: TIniFile, TRegistryIniFile). Each typed read and write
// here calls that interface's operation of the same kind, so each storage
// keeps its own value kinds (text in a file, REG_DWORD for an integer in
// the registry). The storage section is the prefix followed by the section
// name; the item name is the key.
//
// While closed (no storage) reads give their default and writes do nothing.
// A derived adaptor's Open chooses the storage (Use, Own); closing, also
// when the adaptor is destroyed, is the same for all.
class TCustomIniAdaptor : public TBaseConfigAdaptor {
public:
    ~TCustomIniAdaptor() override { Close(); }

    bool IsOpen() override { return FStorage != nullptr; }
    // Lets go of the storage (one the adaptor owns is destroyed); false when
    // nothing was open.
    bool Close() final;

    // Erases the section (in the registry its key, with the subkeys), then
    // writes one value per line (for a name that repeats, ignoring case, the
    // first line's value). An empty list leaves no section behind.
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
    // The list from the comma text this adaptor's ReadString gives.
    void ReadMultiString(const AnsiString& section, const AnsiString& name,
                         const TStringListAdaptor& defaultValue, TStringListAdaptor& value) override;

    void WriteInteger(const AnsiString& section, const AnsiString& name, const int& value) override;
    void WriteDouble(const AnsiString& section, const AnsiString& name, const double& value) override;
    void WriteDateTime(const AnsiString& section, const AnsiString& name, const TDateTime& value) override;
    void WriteBool(const AnsiString& section, const AnsiString& name, const bool& value) override;
    void WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value) override;

    const AnsiString& SectionPrefix() const { return FSectionPrefix; }

protected:
    explicit TCustomIniAdaptor(AnsiString sectionPrefix) : FSectionPrefix(std::move(sectionPrefix)) {}

    // The storage while open; null while closed.
    TCustomIniFile* Storage() const { return FStorage; }
    // Opens on storage the caller keeps alive while the adaptor is open.
    void Use(TCustomIniFile& storage);
    // Opens on storage the adaptor keeps until it closes.
    void Own(std::unique_ptr<TCustomIniFile> storage);
    AnsiString Section(const AnsiString& section) const { return FSectionPrefix + section; }

private:
    const AnsiString FSectionPrefix;
    TCustomIniFile* FStorage = nullptr;
    std::unique_ptr<TCustomIniFile> FOwned;  // null for storage the caller keeps
};

}  // namespace zelconfig
