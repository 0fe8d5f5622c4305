// Values as text, for configuration defaults, stored collections and the
// HTML rendering of settings.
//
// Text forms:
//   int                decimal digits, "-" for negatives
//   double             general format, up to 15 significant digits, "." as
//                      the decimal separator ("0.5", "1E20")
//   TDateTime          "yyyy-mm-dd hh:nn:ss", the time left out at midnight
//   bool               "True" or "False"
//   AnsiString         the text itself, unchanged: no quoting, nothing added
//   TStringListAdaptor the list's comma text
// ConvertFromString reads these forms back; for strings it gives back
// exactly the text it is given. For the other types it raises EConvertError
// on text it cannot read ("true"/"false" and "1"/"0" are also read as bools).
#pragma once

#include "System.hpp"
#include "Zelstringlistadaptor.h"

namespace zelcore {

AnsiString ConvertToString(const int& value);
AnsiString ConvertToString(const double& value);
AnsiString ConvertToString(const TDateTime& value);
AnsiString ConvertToString(const bool& value);
AnsiString ConvertToString(const AnsiString& value);
AnsiString ConvertToString(const TStringListAdaptor& value);

void ConvertFromString(const AnsiString& text, int* out);
void ConvertFromString(const AnsiString& text, double* out);
void ConvertFromString(const AnsiString& text, TDateTime* out);
void ConvertFromString(const AnsiString& text, bool* out);
void ConvertFromString(const AnsiString& text, AnsiString* out);
void ConvertFromString(const AnsiString& text, TStringListAdaptor* out);

// A comma text made safe to store as one INI value: the INI reader trims
// blanks and drops one pair of enclosing double quotes, so the text is
// wrapped in one pair of double quotes, which the reader removes again.
AnsiString QuoteCommaText(const AnsiString& commaText);

}  // namespace zelcore
