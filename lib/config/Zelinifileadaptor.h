// TIniFileAdaptor: configuration storage in an INI file.
#pragma once

#include "IniFiles.hpp"
#include "Zelcustominiadaptor.h"

namespace zelconfig {

// Stores each value as one key of an INI file: the INI section is the
// section prefix followed by the section name, the key is the item name.
// Built on a file name, each write is on disk when the call returns; built
// on an INI file object, writes reach the file when its owner updates it.
//
// Value texts (those of the runtime's INI file class):
//   int         decimal digits, "-" for negatives
//   double      general format, up to 15 significant digits
//   TDateTime   "yyyy-mm-dd hh:nn:ss", the time left out at midnight
//   bool        "1" or "0"; any integer but 0 reads as true
//   AnsiString  the text as is
//   string list QuoteCommaText of the list's comma text
// A key that is missing, or whose text does not parse, reads as the default.
//
// On a closed adaptor, reads give their default (ReadSectionValues leaves
// its output untouched) and writes do nothing.
class TIniFileAdaptor : public TCustomIniAdaptor {
public:
    // The file need not exist. The prefix is "" or the names of the parent
    // sections, each followed by the separator ("Files/").
    TIniFileAdaptor(const AnsiString& fileName, const AnsiString& sectionPrefix);
    // Works on an INI file object the caller owns and keeps alive while the
    // adaptor is open (an in-memory copy that is written back once).
    TIniFileAdaptor(TCustomIniFile& iniFile, const AnsiString& sectionPrefix);

    bool Open() override;

    // The section's name=value lines; the defaults when the section is not
    // in the file.
    void ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                           TStringListAdaptor& values) override;
    // QuoteCommaText of the list's comma text, so that the INI reader's
    // trimming and quote removal give the list back.
    void WriteMultiString(const AnsiString& section, const AnsiString& name,
                          const TStringListAdaptor& value) override;

    const AnsiString& FileName() const { return FFileName; }

private:
    const AnsiString FFileName;
    TCustomIniFile* const FBorrowed = nullptr;
};

}  // namespace zelconfig
