// TRegistryImport and TRegistryExport: one registry adaptor per section,
// keyed by the accumulated path of its parents.
#include "Zelregistryio.h"

#include "Zelregistryadaptor.h"
#include "Zelsectionwalk.h"

namespace zelconfig {

// ---- TRegistryImport -----------------------------------------------------------

TRegistryImport::TRegistryImport(const AnsiString& keyPath)
    : FRootKey(HKEY_CURRENT_USER), FKeyPath(keyPath), FAccess(KEY_ALL_ACCESS)
{
}

void TRegistryImport::Import(TManagedConfig* const config)
{
    ForEachSection(*config, [&](TConfigSection* section) { ImportSection(section, FKeyPath); });
}

void TRegistryImport::ImportSection(TConfigSection* section, const AnsiString& path)
{
    {
        TRegistryAdaptor adaptor(FRootKey, path, FAccess);
        adaptor.Open();
        section->LoadSection(&adaptor, /*recursive=*/false);
        adaptor.Close();
    }
    ImportChildSections(section, path + "\\" + section->GetName());
}

void TRegistryImport::ImportChildSections(TConfigSection* section, const AnsiString& path)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ImportSection(child, path); });
}

// ---- TRegistryExport -----------------------------------------------------------

TRegistryExport::TRegistryExport(const AnsiString& keyPath)
    : FRootKey(HKEY_CURRENT_USER), FKeyPath(keyPath), FAccess(KEY_ALL_ACCESS)
{
}

void TRegistryExport::Export(const TManagedConfig& config)
{
    ForEachSection(config, [&](TConfigSection* section) { ExportSection(section, FKeyPath); });
}

void TRegistryExport::ExportSection(TConfigSection* section, const AnsiString& path)
{
    {
        TRegistryAdaptor adaptor(FRootKey, path, FAccess);
        adaptor.Open();
        section->SaveSection(&adaptor, /*recursive=*/false);
        adaptor.Close();
    }
    ExportChildSections(section, path + "\\" + section->GetName());
}

void TRegistryExport::ExportChildSections(TConfigSection* section, const AnsiString& path)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ExportSection(child, path); });
}

}  // namespace zelconfig
