// TIniFileAdaptor: typed values, multi-strings and whole sections in an INI file.
#include "Zelinifileadaptor.h"

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

TIniFileAdaptor::~TIniFileAdaptor() { Close(); }

bool TIniFileAdaptor::Open()
{
    SetStorage(nullptr);
    FOwned.reset();
    if (FBorrowed != nullptr) {
        SetStorage(FBorrowed);
    } else {
        FOwned = std::make_unique<TIniFile>(FFileName);
        SetStorage(FOwned.get());
    }
    return IsOpen();
}

bool TIniFileAdaptor::Close()
{
    if (!IsOpen())
        return false;
    SetStorage(nullptr);
    FOwned.reset();
    return true;
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
