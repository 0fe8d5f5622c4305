// TRegistryImport and TRegistryExport: one registry adaptor per section,
// keyed by the accumulated path of its parents.
#include "Zelregistryio.h"

#include "Zelregistryadaptor.h"
#include "Zelsectionwalk.h"

namespace zelconfig {

// ---- TRegistryImport -----------------------------------------------------------

TRegistryImport::TRegistryImport(const AnsiString& keyPath) : TRegistryPlace(keyPath) {}

void TRegistryImport::Import(TManagedConfig* const config)
{
    ForEachSection(*config, [&](TConfigSection* section) { ImportSection(section, FKeyPath); });
}

void TRegistryImport::ImportSection(TConfigSection* section, const AnsiString& path)
{
    ThroughAdaptor(TRegistryAdaptor(FRootKey, path, FAccess),
                   [&](TRegistryAdaptor& adaptor) { section->LoadSection(&adaptor, /*recursive=*/false); });
    ImportChildSections(section, path + "\\" + section->GetName());
}

void TRegistryImport::ImportChildSections(TConfigSection* section, const AnsiString& path)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ImportSection(child, path); });
}

// ---- TRegistryExport -----------------------------------------------------------

TRegistryExport::TRegistryExport(const AnsiString& keyPath) : TRegistryPlace(keyPath) {}

void TRegistryExport::Export(const TManagedConfig& config)
{
    ForEachSection(config, [&](TConfigSection* section) { ExportSection(section, FKeyPath); });
}

void TRegistryExport::ExportSection(TConfigSection* section, const AnsiString& path)
{
    ThroughAdaptor(TRegistryAdaptor(FRootKey, path, FAccess),
                   [&](TRegistryAdaptor& adaptor) { section->SaveSection(&adaptor, /*recursive=*/false); });
    ExportChildSections(section, path + "\\" + section->GetName());
}

void TRegistryExport::ExportChildSections(TConfigSection* section, const AnsiString& path)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ExportSection(child, path); });
}

}  // namespace zelconfig
