// TRegistryImport and TRegistryExport: a whole configuration tree from and
// to a registry key.
#pragma once

#include <windows.h>

#include "System.hpp"
#include "Zelconfigio.h"

namespace zelconfig {

class TConfigSection;

// Where the importer and the exporter find the tree: HKEY_CURRENT_USER and
// the key path, opened with KEY_ALL_ACCESS.
class TRegistryPlace {
protected:
    explicit TRegistryPlace(const AnsiString& keyPath)
        : FRootKey(HKEY_CURRENT_USER), FKeyPath(keyPath), FAccess(KEY_ALL_ACCESS)
    {
    }

    HKEY FRootKey;
    AnsiString FKeyPath;
    unsigned int FAccess;
};

// Every section is the subkey of its name below its parent's key; the
// top-level sections are below the key path. Items are values of their
// section's key: with key path P, the items of "Files" are values of
// P\Files and those of its child "Excluded" values of P\Files\Excluded.
// Sections are visited in the tree's order (see TIniFileImport). The root
// key is HKEY_CURRENT_USER and keys are opened with KEY_ALL_ACCESS.
class TRegistryImport : public TConfigImport, protected TRegistryPlace {
public:
    explicit TRegistryImport(const AnsiString& keyPath);

    // Missing keys and values leave the items at their defaults.
    void Import(TManagedConfig* const config) override;

protected:
    // The section's own items from path\<name>, then its children below it.
    void ImportSection(TConfigSection* section, const AnsiString& path);
    void ImportChildSections(TConfigSection* section, const AnsiString& path);
};

class TRegistryExport : public TConfigExport, protected TRegistryPlace {
public:
    explicit TRegistryExport(const AnsiString& keyPath);

    void Export(const TManagedConfig& config) override;

protected:
    void ExportSection(TConfigSection* section, const AnsiString& path);
    void ExportChildSections(TConfigSection* section, const AnsiString& path);
};

}  // namespace zelconfig
