// Configuration items: the base item and the instances the library provides.
#include "Zelconfigtypes.h"

namespace zelconfig {

TBaseConfigAdaptor::~TBaseConfigAdaptor() = default;

TBaseConfigType::TBaseConfigType(const AnsiString& sectionName, const AnsiString& itemName,
                                 const AnsiString& description)
    : SectionName(sectionName), ItemName(itemName), Description(description)
{
}

TBaseConfigType::~TBaseConfigType() = default;

TBaseConfigAdaptor& TBaseConfigType::Checked(TBaseConfigAdaptor* adaptor) const
{
    if (adaptor == nullptr)
        throw Exception("No configuration adaptor given for item: " + ItemName);
    return *adaptor;
}

template class TConfigType<int>;
template class TConfigType<double>;
template class TConfigType<TDateTime>;
template class TConfigType<bool>;
template class TConfigType<AnsiString>;
template class TConfigType<TStringListAdaptor>;
template class TConfigCollectionType<AnsiString, AnsiString>;

}  // namespace zelconfig
