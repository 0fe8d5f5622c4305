#include "Zelhtmlescape.h"

#include <array>
#include <cstdio>

#include "SysUtils.hpp"

namespace zelhtmlbuilder {

namespace {

// The length of the valid UTF-8 sequence at text[i] (1 to 4), or 0 when the
// byte there does not begin one: no overlong forms, no surrogates, nothing
// above U+10FFFF.
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = at(i);
    if (b < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    return length;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Printable ASCII that stands for itself in EscapeVisible's output: most
// of any file name. A table, as every byte of every name passes here.
constexpr std::array<bool, 256> kPlainVisible = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c)
        plain[c] = c != '&' && c != '<' && c != '>' && c != '"' && c != '\\';
    return plain;
}();

// Where the backslash is the path separator, no name holds one: it stands
// for itself between the names of a path.
bool IsPlainVisible(unsigned char c) { return kPlainVisible[c] || (c == '\\' && PathDelim == '\\'); }

// A two-byte sequence for U+0080..U+009F.
bool IsC1Control(std::string_view text, std::size_t i, std::size_t length)
{
    return length == 2 && static_cast<unsigned char>(text[i]) == 0xC2 &&
           static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

bool AppendMarkup(AnsiString& out, char c)
{
    switch (c) {
    case '&': out += "&amp;"; return true;
    case '<': out += "&lt;"; return true;
    case '>': out += "&gt;"; return true;
    case '"': out += "&quot;"; return true;
    default: return false;
    }
}

void AppendMarked(AnsiString& out, const char* escape)
{
    out += "<span style=\"color: rgb(170, 0, 0); background-color: rgb(255, 230, 230); "
           "font-family: monospace\">";
    out += escape;
    out += "</span>";
}

}  // namespace

AnsiString EscapeMarkup(const AnsiString& text)
{
    AnsiString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            ++i;
            continue;
        }
        if (length == 1 && IsControl(c) && c != '\t' && c != '\n' && c != '\r') {
            // U+2400 + c, or U+2421 for DEL: E2 90 80+c, E2 90 A1.
            out += "\xE2\x90";
            out += static_cast<char>(c == 0x7F ? 0xA1 : 0x80 + c);
        } else if (length != 1 || !AppendMarkup(out, text[i])) {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

AnsiString EscapeVisible(const AnsiString& text)
{
    AnsiString out;
    out.reserve(text.size());
    AppendEscapedVisible(out, text);
    return out;
}

void AppendEscapedVisible(AnsiString& out, std::string_view text)
{
    char escape[16];
    for (std::size_t i = 0; i < text.size();) {
        // A run of plain bytes goes in whole; only the bytes between runs
        // are looked at one sequence at a time.
        std::size_t plain = i;
        while (plain < text.size() && IsPlainVisible(static_cast<unsigned char>(text[plain])))
            ++plain;
        if (plain != i) {
            out.append(text, i, plain - i);
            i = plain;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = SequenceLength(text, i);
        if (length == 0 || (length == 1 && IsControl(c))) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            AppendMarked(out, escape);
            ++i;
            continue;
        }
        if (IsC1Control(text, i, length)) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
            AppendMarked(out, escape);
        } else if (length == 1 && c == '\\') {
            AppendMarked(out, "\\\\");
        } else if (length != 1 || !AppendMarkup(out, text[i])) {
            out.append(text, i, length);
        }
        i += length;
    }
}

}  // namespace zelhtmlbuilder
