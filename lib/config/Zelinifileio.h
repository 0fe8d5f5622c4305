// TIniFileImport and TIniFileExport: a whole configuration tree from and to
// an INI file, in the nested or the flat layout.
#pragma once

#include "System.hpp"
#include "Zelconfigio.h"

class TCustomIniFile;
class TMemIniFile;

namespace zelconfig {

class TConfigSection;

// What the importer and the exporter share: the file, its layout, and the
// INI file object while a walk runs.
class TIniFileLayout {
protected:
    explicit TIniFileLayout(const AnsiString& fileName) : FFileName(fileName) {}

    AnsiString FFileName;
    bool Nested = true;
    AnsiString SectionSeparator = "/";
    TCustomIniFile* FIniFile = nullptr;
};

// Layouts:
//   nested (the default)  every section is its own INI section, named after
//                         its parents joined by SectionSeparator: a section
//                         "Excluded" below "Files" is [Files/Excluded]
//   flat                  every section, at any depth, is the INI section of
//                         its bare name ([Excluded]); two child sections of
//                         one name under different parents share it
// Sections are visited in the tree's order: top-level sections by name;
// within a section its items by item name, then its child sections by name,
// depth first.
//
// Nested, Nested and SectionSeparator may be changed by a derived class
// before Import or Export.
class TIniFileImport : public TConfigImport, protected TIniFileLayout {
public:
    explicit TIniFileImport(const AnsiString& fileName);

    // The file is read once, under its shared lock, so the tree comes from
    // one version of it even while another process saves. A file that does
    // not exist leaves every item at its default.
    void Import(TManagedConfig* const config) override;
    // The same from an INI file object the caller has already read.
    void ImportFrom(TManagedConfig* const config, TCustomIniFile& iniFile);

protected:
    void ImportFlatConfig(TManagedConfig* const config);
    void ImportNestedConfig(TManagedConfig* const config);
    // The section's own items from the INI section prefix + name, then its
    // children below prefix + name + separator.
    void ImportSection(TConfigSection* section, const AnsiString& prefix);
    void ImportChildSections(TConfigSection* section, const AnsiString& prefix);
};

// Writing follows the INI file class: existing keys are updated in place and
// a section that is not in the file yet is appended at its end; sections,
// keys and comments the tree does not know are kept, and so are the file's
// line ends. Afterwards the text is tidied: every section header after the
// first line is preceded by one blank line (added only where the line
// before is not blank).
//
// The whole export is made on a copy in memory, under the file's exclusive
// lock, and replaces the file once (TMemIniFile in IniFiles.hpp): a reader,
// or a crash, sees the file as it was before or after the export, never
// half of it.
class TIniFileExport : public TConfigExport, protected TIniFileLayout {
public:
    explicit TIniFileExport(const AnsiString& fileName);

    // A tree without sections creates no file, so exporting one to a file
    // that does not exist fails in the tidy step (EFOpenError).
    void Export(const TManagedConfig& config) override;
    // The export and tidy step into an INI file object the caller writes
    // back; FFileName is not touched.
    void ExportTo(const TManagedConfig& config, TMemIniFile& iniFile);

protected:
    void ExportFlatConfig(const TManagedConfig& config);
    void ExportNestedConfig(const TManagedConfig& config);
    void ExportSection(TConfigSection* section, const AnsiString& prefix);
    void ExportChildSections(TConfigSection* section, const AnsiString& prefix);
};

}  // namespace zelconfig
