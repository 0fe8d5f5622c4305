// Text between UTF-8 (the 8-bit encoding of every code page here) and
// UTF-16 (COM's wide text), whole strings at a time. Invalid input becomes
// U+FFFD as MultiByteToWideChar and WideCharToMultiByte make it
// (stringapiset.h); nothing is lost on valid text.
#pragma once

#include <string>
#include <string_view>

namespace twscom {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Up to the zero; null gives "".
std::string Utf16ToUtf8(const char16_t* text);

}  // namespace twscom
