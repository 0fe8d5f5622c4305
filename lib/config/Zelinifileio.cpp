// TIniFileImport and TIniFileExport: walking the tree with one INI adaptor
// per section (nested) or one for the whole tree (flat), and the tidy step.
#include "Zelinifileio.h"

#include "Classes.hpp"
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

}  // namespace

// ---- TIniFileImport ------------------------------------------------------------

TIniFileImport::TIniFileImport(const AnsiString& fileName) : FFileName(fileName) {}

void TIniFileImport::Import(TManagedConfig* const config)
{
    if (Nested)
        ImportNestedConfig(config);
    else
        ImportFlatConfig(config);
}

void TIniFileImport::ImportFlatConfig(TManagedConfig* const config)
{
    if (!HasSections(*config))
        return;
    TIniFileAdaptor adaptor(FFileName, AnsiString());
    adaptor.Open();
    ForEachSection(*config, [&](TConfigSection* section) { section->LoadSection(&adaptor, true); });
    adaptor.Close();
}

void TIniFileImport::ImportNestedConfig(TManagedConfig* const config)
{
    ForEachSection(*config, [&](TConfigSection* section) { ImportSection(section, AnsiString()); });
}

void TIniFileImport::ImportSection(TConfigSection* section, const AnsiString& prefix)
{
    {
        TIniFileAdaptor adaptor(FFileName, prefix);
        adaptor.Open();
        section->LoadSection(&adaptor, false);
        adaptor.Close();
    }
    ImportChildSections(section, prefix + section->GetName() + SectionSeparator);
}

void TIniFileImport::ImportChildSections(TConfigSection* section, const AnsiString& prefix)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ImportSection(child, prefix); });
}

// ---- TIniFileExport ------------------------------------------------------------

TIniFileExport::TIniFileExport(const AnsiString& fileName) : FFileName(fileName) {}

void TIniFileExport::Export(const TManagedConfig& config)
{
    if (Nested)
        ExportNestedConfig(config);
    else
        ExportFlatConfig(config);
    TidyFile();
}

void TIniFileExport::ExportFlatConfig(const TManagedConfig& config)
{
    if (!HasSections(config))
        return;
    TIniFileAdaptor adaptor(FFileName, AnsiString());
    adaptor.Open();
    ForEachSection(config, [&](TConfigSection* section) { section->SaveSection(&adaptor, true); });
    adaptor.Close();
}

void TIniFileExport::ExportNestedConfig(const TManagedConfig& config)
{
    ForEachSection(config, [&](TConfigSection* section) { ExportSection(section, AnsiString()); });
}

void TIniFileExport::ExportSection(TConfigSection* section, const AnsiString& prefix)
{
    {
        TIniFileAdaptor adaptor(FFileName, prefix);
        adaptor.Open();
        section->SaveSection(&adaptor, false);
        adaptor.Close();
    }
    ExportChildSections(section, prefix + section->GetName() + SectionSeparator);
}

void TIniFileExport::ExportChildSections(TConfigSection* section, const AnsiString& prefix)
{
    ForEachChildSection(*section, [&](TConfigSection* child) { ExportSection(child, prefix); });
}

void TIniFileExport::TidyFile()
{
    TStringList lines;
    lines.LoadFromFile(FFileName);
    for (int i = lines.Count() - 1; i >= 1; --i) {
        const AnsiString& line = lines[i];
        if (!line.empty() && line[0] == '[' && !lines[i - 1].empty())
            lines.Insert(i, AnsiString());
    }
    lines.SaveToFile(FFileName);
}

}  // namespace zelconfig
