#include "Zelstringlistadaptor.h"

namespace zelcore {

TStringListAdaptor::TStringListAdaptor() : FList(std::make_unique<TStringList>()) {}

TStringListAdaptor::TStringListAdaptor(const TStringListAdaptor& other)
    : FList(std::make_unique<TStringList>())
{
    FList->Assign(*other.FList);
}

TStringListAdaptor& TStringListAdaptor::operator=(const TStringListAdaptor& other)
{
    if (this != &other) {
        if (!FList)
            FList = std::make_unique<TStringList>();
        FList->Assign(*other.FList);
    }
    return *this;
}

TStringListAdaptor::~TStringListAdaptor() = default;

TStringListAdaptor::TStringListAdaptor(const std::deque<AnsiString>& strings)
    : FList(std::make_unique<TStringList>())
{
    for (const auto& s : strings)
        FList->Add(s);
}

TStringListAdaptor& TStringListAdaptor::operator=(const std::deque<AnsiString>& strings)
{
    if (!FList)
        FList = std::make_unique<TStringList>();
    FList->Clear();
    for (const auto& s : strings)
        FList->Add(s);
    return *this;
}

bool TStringListAdaptor::operator==(const TStringListAdaptor& other) const
{
    if (FList->Count() != other.FList->Count())
        return false;
    for (int i = 0; i < FList->Count(); ++i)
        if (FList->Get(i) != other.FList->Get(i))
            return false;
    return true;
}

}  // namespace zelcore
