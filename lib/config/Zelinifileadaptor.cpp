// TIniFileAdaptor: typed values, multi-strings and whole sections in an INI file.
#include "Zelinifileadaptor.h"

#include <memory>

#include "Zelconvert.h"

namespace zelconfig {

TIniFileAdaptor::TIniFileAdaptor(const AnsiString& fileName, const AnsiString& sectionPrefix)
    : TCustomIniAdaptor(sectionPrefix), FFileName(fileName)
{
}

TIniFileAdaptor::TIniFileAdaptor(TCustomIniFile& iniFile, const AnsiString& sectionPrefix)
    : TCustomIniAdaptor(sectionPrefix), FBorrowed(&iniFile)
{
}

bool TIniFileAdaptor::Open()
{
    // Closed first: should the storage not be made, the adaptor is closed.
    Close();
    if (FBorrowed != nullptr)
        Use(*FBorrowed);
    else
        Own(std::make_unique<TIniFile>(FFileName));
    return IsOpen();
}

void TIniFileAdaptor::ReadSectionValues(const AnsiString& section, const TStringListAdaptor& defaultValues,
                                        TStringListAdaptor& values)
{
    if (!IsOpen())
        return;
    if (Storage()->SectionExists(Section(section)))
        Storage()->ReadSectionValues(Section(section), values.Get());
    else
        values = defaultValues;
}

void TIniFileAdaptor::WriteMultiString(const AnsiString& section, const AnsiString& name,
                                       const TStringListAdaptor& value)
{
    WriteString(section, name, zelcore::QuoteCommaText(value->CommaText()));
}

}  // namespace zelconfig
