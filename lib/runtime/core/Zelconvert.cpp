#include "Zelconvert.h"

#include "SysUtils.hpp"

namespace zelcore {

AnsiString ConvertToString(const int& value) { return IntToStr(value); }
AnsiString ConvertToString(const double& value) { return FloatToStr(value); }
AnsiString ConvertToString(const TDateTime& value) { return DateTimeToStr(value); }
AnsiString ConvertToString(const bool& value) { return value ? "True" : "False"; }
AnsiString ConvertToString(const AnsiString& value) { return value; }
AnsiString ConvertToString(const TStringListAdaptor& value) { return value->CommaText(); }

void ConvertFromString(const AnsiString& text, int* out) { *out = StrToInt(text); }
void ConvertFromString(const AnsiString& text, double* out) { *out = StrToFloat(text); }
void ConvertFromString(const AnsiString& text, TDateTime* out) { *out = StrToDateTime(text); }

void ConvertFromString(const AnsiString& text, bool* out)
{
    const AnsiString t = Trim(text);
    if (SameText(t, "True") || t == "1")
        *out = true;
    else if (SameText(t, "False") || t == "0")
        *out = false;
    else
        throw EConvertError("'" + text + "' is not a valid boolean value");
}

void ConvertFromString(const AnsiString& text, AnsiString* out) { *out = text; }
void ConvertFromString(const AnsiString& text, TStringListAdaptor* out) { (*out)->SetCommaText(text); }

AnsiString QuoteCommaText(const AnsiString& commaText) { return "\"" + commaText + "\""; }

}  // namespace zelcore
