// TIniFileImport and TIniFileExport: walking the tree with one INI adaptor
// per section (nested) or one for the whole tree (flat), and the tidy step.
#include "Zelinifileio.h"

#include "AtomicFile.hpp"
#include "Classes.hpp"
#include "IniFiles.hpp"
#include "Zelinifileadaptor.h"
#include "Zelmanagedconfig.h"
#include "Zelsectionwalk.h"

namespace zelconfig {

TConfigImport::~TConfigImport() = default;
TConfigExport::~TConfigExport() = default;

namespace {

bool HasSections(const TManagedConfig& config)
{
    TManagedConfigSections::const_iterator begin, end;
    config.GetSectionIterators(begin, end);
    return begin != end;
}

// Points the importer's or exporter's file at the INI file for one walk,
// and away again however the walk ends.
class TIniFileBinding {
public:
    TIniFileBinding(TCustomIniFile*& slot, TCustomIniFile& iniFile) : FSlot(slot) { FSlot = &iniFile; }
    ~TIniFileBinding() { FSlot = nullptr; }
    TIniFileBinding(const TIniFileBinding&) = delete;
    TIniFileBinding& operator=(const TIniFileBinding&) = delete;

private:
    TCustomIniFile*& FSlot;
};

// Loading and saving walk the tree alike; they differ only in what is done
// with a section through its adaptor (LoadSection or SaveSection), which
// `step(section, adaptor, recursive)` does.
template <class Step>
void WalkFlat(const TManagedConfig& config, TCustomIniFile& ini, Step step)
{
    if (!HasSections(config))
        return;
    ThroughAdaptor(TIniFileAdaptor(ini, AnsiString()), [&](TIniFileAdaptor& adaptor) {
        ForEachSection(config, [&](TConfigSection* section) { step(section, adaptor, /*recursive=*/true); });
    });
}

template <class Step>
void WalkSection(TConfigSection* section, TCustomIniFile& ini, const AnsiString& prefix, Step step)
{
    ThroughAdaptor(TIniFileAdaptor(ini, prefix),
                   [&](TIniFileAdaptor& adaptor) { step(section, adaptor, /*recursive=*/false); });
}

void Load(TConfigSection* section, TIniFileAdaptor& adaptor, bool recursive)
{
    section->LoadSection(&adaptor, recursive);
}

void Save(TConfigSection* section, TIniFileAdaptor& adaptor, bool recursive)
{
    section->SaveSection(&adaptor, recursive);
}

}  // namespace

// ---- TIniFileImport ------------------------------------------------------------

TIniFileImport::TIniFileImport(const AnsiString& fileName) : TIniFileLayout(fileName) {}

void TIniFileImport::Import(TManagedConfig* const config)
{
    TMemIniFile ini(FFileName);
    ImportFrom(config, ini);
}

void TIniFileImport::ImportFrom(TManagedConfig* const config, TCustomIniFile& iniFile)
{
    const TIniFileBinding binding(FIniFile, iniFile);
    if (Nested)
        ImportNestedConfig(config);
    else
        ImportFlatConfig(config);
}

void TIniFileImport::ImportFlatConfig(TManagedConfig* const config)
{
    WalkFlat(*config, *FIniFile, Load);
}

void TIniFileImport::ImportNestedConfig(TManagedConfig* const config)
{
    ForEachSection(*config, [&](TConfigSection* section) { ImportSection(section, AnsiString()); });
}

void TIniFileImport::ImportSection(TConfigSection* section, const AnsiString& prefix)
{
    WalkSection(section, *FIniFile, prefix, Load);
    ImportChildSections(section, prefix + section->GetName() + SectionSeparator);
}

void TIniFileImport::ImportChildSections(TConfigSection* section, const AnsiString& prefix)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ImportSection(child, prefix); });
}

// ---- TIniFileExport ------------------------------------------------------------

TIniFileExport::TIniFileExport(const AnsiString& fileName) : TIniFileLayout(fileName) {}

void TIniFileExport::Export(const TManagedConfig& config)
{
    vcl::TLockedFile file(FFileName, vcl::TFileLockMode::Exclusive);
    // A tree without sections gives no text, and there is no file to tidy.
    if (!file.Exists() && !HasSections(config))
        throw EFOpenError("Cannot open file \"" + FFileName + "\". No such file or directory");
    TMemIniFile ini(FFileName, file.Read());
    ExportTo(config, ini);
    ini.UpdateFile(file);
}

void TIniFileExport::ExportTo(const TManagedConfig& config, TMemIniFile& iniFile)
{
    const TIniFileBinding binding(FIniFile, iniFile);
    if (Nested)
        ExportNestedConfig(config);
    else
        ExportFlatConfig(config);
    iniFile.InsertBlankLineBeforeHeaders();
}

void TIniFileExport::ExportFlatConfig(const TManagedConfig& config)
{
    WalkFlat(config, *FIniFile, Save);
}

void TIniFileExport::ExportNestedConfig(const TManagedConfig& config)
{
    ForEachSection(config, [&](TConfigSection* section) { ExportSection(section, AnsiString()); });
}

void TIniFileExport::ExportSection(TConfigSection* section, const AnsiString& prefix)
{
    WalkSection(section, *FIniFile, prefix, Save);
    ExportChildSections(section, prefix + section->GetName() + SectionSeparator);
}

void TIniFileExport::ExportChildSections(TConfigSection* section, const AnsiString& prefix)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ExportSection(child, prefix); });
}

}  // namespace zelconfig
