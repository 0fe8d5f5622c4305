// TBaseComposite: member lines and their typed conversions.
#include "Zelcomposite.h"

#include "SysUtils.hpp"

namespace zelconfig {

namespace {

int ValidMemberCount(int memberCount)
{
    if (memberCount < 0)
        throw Exception("TBaseComposite member count is negative: " + IntToStr(memberCount));
    return memberCount;
}

}  // namespace

TBaseComposite::TBaseComposite(int memberCount)
    : FMemberCount(ValidMemberCount(memberCount)), FMembers(std::make_unique<TStringList>())
{
    CheckMemberCount();
}

TBaseComposite::~TBaseComposite() = default;

void TBaseComposite::Assign(TStrings* const source)
{
    if (source == nullptr)
        FMembers->Clear();
    else
        FMembers->Assign(*source);
    CheckMemberCount();
}

void TBaseComposite::CheckMemberCount()
{
    while (FMembers->Count() < FMemberCount)
        FMembers->Add(AnsiString());
}

TStrings* TBaseComposite::ToStrings() const { return FMembers.get(); }

int TBaseComposite::GetInt(int index) const { return StrToInt(FMembers->Get(index)); }

double TBaseComposite::GetDouble(int index) const { return StrToFloat(FMembers->Get(index)); }

TDateTime TBaseComposite::GetDateTime(int index) const { return StrToDateTime(FMembers->Get(index)); }

bool TBaseComposite::GetBool(int index) const { return StrToInt(FMembers->Get(index)) != 0; }

AnsiString TBaseComposite::GetAnsiString(int index) const { return FMembers->Get(index); }

void TBaseComposite::SetInt(int index, int value) { FMembers->Put(index, IntToStr(value)); }

void TBaseComposite::SetDouble(int index, double value) { FMembers->Put(index, FloatToStr(value)); }

void TBaseComposite::SetDateTime(int index, TDateTime value) { FMembers->Put(index, DateTimeToStr(value)); }

void TBaseComposite::SetBool(int index, bool value) { FMembers->Put(index, value ? "1" : "0"); }

void TBaseComposite::SetAnsiString(int index, const AnsiString& value) { FMembers->Put(index, value); }

}  // namespace zelconfig
