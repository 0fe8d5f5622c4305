// Text across COM interfaces: 8-bit strings in the ANSI code page to and from
// wide strings, BSTRs and task-allocated wide strings, and GUIDs as text.
//
// Conversions never fail on bad input: bytes that are not valid in the
// code page and unpaired surrogates become U+FFFD. Embedded zero characters
// are kept.
#pragma once

#include <string>
#include <string_view>

#include "System.hpp"
#include <windows.h>
#include "objbase.h"
#include "oleauto.h"

namespace zelcom {

// Wide text as COM holds it (OLECHAR: UTF-16 code units).
using OleString = std::basic_string<OLECHAR>;

OleString AnsiToWide(const AnsiString& text);
// The same into a string the caller keeps: its buffer is reused, so text
// written anew many times (a progress line) allocates only as it grows.
void AnsiToWide(std::string_view text, OleString& into);
AnsiString WideToAnsi(const OLECHAR* text);  // up to its zero; null gives ""
AnsiString WideToAnsi(const OLECHAR* text, std::size_t length);
// The text in the ANSI code page only when that code page spells every
// character as itself: no best-fit look-alike (a fullwidth full stop is
// not "."), no default character, no unpaired surrogate, and the result
// converts back to the very same text. False otherwise, with narrow empty.
// Names that open or delete files cross with this one.
bool WideToAnsiExact(const OLECHAR* text, std::size_t length, AnsiString& narrow);

// A new BSTR (an empty string gives an empty BSTR, not null); null only when
// memory runs out. The receiver frees it with SysFreeString.
BSTR AnsiToBSTR(const AnsiString& text);
// The two texts one after the other in one BSTR (a folder and a name).
BSTR AnsiToBSTR(std::string_view head, std::string_view tail);
// The whole BSTR, zeros included; null gives "".
AnsiString BSTRToAnsi(BSTR text);

// A zero-terminated wide copy allocated with CoTaskMemAlloc, for an out
// parameter the caller frees with CoTaskMemFree; null when memory runs out.
LPWSTR AnsiToCoTaskMemWide(const AnsiString& text);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
AnsiString GUIDToString(const GUID& guid);
// Reads that form in either case; raises EConvertError
// ("Invalid GUID text: " and the text) for anything else.
GUID StringToGUID(const AnsiString& text);

}  // namespace zelcom
