// The value of one hexadecimal digit, in either case, or -1 for any other
// character: for the text formats that spell bytes in hex (registry files,
// trash information, GUIDs). Not a VCL function: a helper the platform's
// readers share, for narrow and UTF-16 text alike.
#pragma once

namespace twsplatform {

template <typename Char>
constexpr int HexDigitValue(Char c)
{
    if (c >= Char('0') && c <= Char('9'))
        return static_cast<int>(c - Char('0'));
    if (c >= Char('a') && c <= Char('f'))
        return static_cast<int>(c - Char('a')) + 10;
    if (c >= Char('A') && c <= Char('F'))
        return static_cast<int>(c - Char('A')) + 10;
    return -1;
}

}  // namespace twsplatform
