// TIniFileImport and TIniFileExport: a whole configuration tree from and to
// an INI file, in the nested or the flat layout.
#pragma once

#include "System.hpp"
#include "Zelconfigio.h"

namespace zelconfig {

class TConfigSection;

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
class TIniFileImport : public TConfigImport {
public:
    explicit TIniFileImport(const AnsiString& fileName);

    // A file that does not exist leaves every item at its default.
    void Import(TManagedConfig* const config) override;

protected:
    void ImportFlatConfig(TManagedConfig* const config);
    void ImportNestedConfig(TManagedConfig* const config);
    // The section's own items from the INI section prefix + name, then its
    // children below prefix + name + separator.
    void ImportSection(TConfigSection* section, const AnsiString& prefix);
    void ImportChildSections(TConfigSection* section, const AnsiString& prefix);

    AnsiString FFileName;
    bool Nested = true;
    AnsiString SectionSeparator = "/";
};

// Writing follows the INI file class: existing keys are updated in place and
// a section that is not in the file yet is appended at its end. Afterwards
// the file is tidied: every section header after the first line is preceded
// by one blank line (added only where the line before is not blank), and
// the file is written with LF line ends.
class TIniFileExport : public TConfigExport {
public:
    explicit TIniFileExport(const AnsiString& fileName);

    // A tree without sections creates no file, so exporting one to a file
    // that does not exist fails in the tidy step (EFOpenError).
    void Export(const TManagedConfig& config) override;

protected:
    void ExportFlatConfig(const TManagedConfig& config);
    void ExportNestedConfig(const TManagedConfig& config);
    void ExportSection(TConfigSection* section, const AnsiString& prefix);
    void ExportChildSections(TConfigSection* section, const AnsiString& prefix);
    void TidyFile();

    AnsiString FFileName;
    bool Nested = true;
    AnsiString SectionSeparator = "/";
};

}  // namespace zelconfig
