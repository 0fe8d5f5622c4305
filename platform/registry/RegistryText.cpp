// Reading and writing the REGEDIT text of one registry root: string
// escapes, value data forms, key headers.
#include "RegistryText.h"

#include <cstdio>

#include "Hexdigit.h"
#include "SysUtils.hpp"

namespace twsregistry {

const char* const kRegistryFileHeader = "Windows Registry Editor Version 5.00";

namespace {

constexpr std::size_t kWrapColumn = 76;

const char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char b)
{
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
}

// Length of the valid UTF-8 sequence at s[i] (2 to 4), or 0.
std::size_t Utf8Sequence(const std::string& s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t len;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

using twsplatform::HexDigitValue;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && IsBlank(s[a]))
        ++a;
    while (b > a && IsBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

bool StartsWithNoCase(const std::string& s, std::size_t at, const char* prefix)
{
    for (std::size_t k = 0; prefix[k] != '\0'; ++k) {
        if (at + k >= s.size())
            return false;
        char c = s[at + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != prefix[k])
            return false;
    }
    return true;
}

// Reads the lines of a file and keeps the line numbers for messages.
class LineReader {
public:
    explicit LineReader(const std::string& text) : FText(text)
    {
        if (FText.compare(0, 3, "\xEF\xBB\xBF") == 0)
            FPos = 3;
    }

    bool Next(std::string& line)
    {
        if (FPos >= FText.size())
            return false;
        std::size_t end = FText.find('\n', FPos);
        if (end == std::string::npos)
            end = FText.size();
        line = FText.substr(FPos, end - FPos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        FPos = end + 1;
        ++FLine;
        return true;
    }
    int Line() const { return FLine; }

private:
    const std::string& FText;
    std::size_t FPos = 0;
    int FLine = 0;
};

class Parser {
public:
    Parser(const std::string& text, const std::string& rootName)
        : FLines(text), FRootName(rootName), FRoot(std::make_unique<RegKey>(rootName))
    {
    }

    std::unique_ptr<RegKey> Run()
    {
        std::string line;
        bool header = false;
        while (FLines.Next(line)) {
            const std::string t = TrimBlanks(line);
            if (!header) {
                if (t.empty())
                    continue;
                if (t != kRegistryFileHeader && t != "REGEDIT4")
                    Fail(std::string("the first line is not \"") + kRegistryFileHeader + "\"");
                header = true;
                continue;
            }
            if (t.empty() || t[0] == ';')
                continue;
            if (t[0] == '[')
                KeyLine(t);
            else
                ValueLine(t);
        }
        if (!header)
            Fail(std::string("the file is empty; it must start with \"") + kRegistryFileHeader + "\"");
        return std::move(FRoot);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const { throw RegTextError(FLines.Line(), what); }

    void KeyLine(const std::string& t)
    {
        if (t.back() != ']')
            Fail("a key line must end with \"]\"");
        const std::string path = t.substr(1, t.size() - 2);
        if (!path.empty() && path[0] == '-')
            Fail("deletion entries do not belong in a registry file");
        const std::size_t slash = path.find('\\');
        const std::string root = path.substr(0, slash);
        if (!SameText(root, FRootName))
            Fail("the key \"" + path + "\" is not under " + FRootName);
        KeyPath parts;
        if (slash != std::string::npos &&
            (slash + 1 == path.size() ||
             SplitKeyPath(path.c_str() + slash + 1, parts) != PathCheck::Valid))
            Fail("invalid key name \"" + path + "\"");
        RegKey* key = FRoot.get();
        for (const auto& part : parts)
            key = &key->AddChild(part);
        FCurrent = key;
    }

    // A quoted, escaped string starting at s[i] (the opening quote); i ends
    // after the closing quote.
    std::string QuotedString(const std::string& s, std::size_t& i) const
    {
        std::string out;
        ++i;
        for (;;) {
            if (i >= s.size())
                Fail("a string has no closing quote");
            const char c = s[i++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i >= s.size())
                Fail("a string has no closing quote");
            const char e = s[i++];
            switch (e) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                const int hi = i < s.size() ? HexDigitValue(s[i]) : -1;
                const int lo = i + 1 < s.size() ? HexDigitValue(s[i + 1]) : -1;
                if (hi < 0 || lo < 0)
                    Fail("\\x in a string must be followed by two hexadecimal digits");
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                Fail(std::string("unknown escape \\") + e + " in a string");
            }
        }
    }

    void ValueLine(const std::string& t)
    {
        if (FCurrent == nullptr)
            Fail("a value comes before the first key");
        std::size_t i = 0;
        std::string name;
        if (t[0] == '@')
            i = 1;
        else if (t[0] == '"')
            name = QuotedString(t, i);
        else
            Fail("a value line must start with @ or a quoted name");
        while (i < t.size() && IsBlank(t[i]))
            ++i;
        if (i >= t.size() || t[i] != '=')
            Fail("a value name must be followed by \"=\"");
        ++i;
        while (i < t.size() && IsBlank(t[i]))
            ++i;

        DWORD type;
        std::string data;
        if (i < t.size() && t[i] == '"') {
            data = QuotedString(t, i);
            data += '\0';
            type = REG_SZ;
            if (!TrimBlanks(t.substr(i)).empty())
                Fail("text follows the closing quote of a string");
        } else if (i < t.size() && t[i] == '-') {
            Fail("deletion entries do not belong in a registry file");
        } else if (StartsWithNoCase(t, i, "dword:")) {
            const std::string digits = TrimBlanks(t.substr(i + 6));
            if (digits.empty() || digits.size() > 8)
                Fail("dword: must be followed by 1 to 8 hexadecimal digits");
            DWORD v = 0;
            for (const char c : digits) {
                const int d = HexDigitValue(c);
                if (d < 0)
                    Fail("dword: must be followed by 1 to 8 hexadecimal digits");
                v = v * 16 + static_cast<DWORD>(d);
            }
            for (int k = 0; k < 4; ++k)
                data += static_cast<char>((v >> (8 * k)) & 0xFF);
            type = REG_DWORD;
        } else if (StartsWithNoCase(t, i, "hex")) {
            i += 3;
            type = REG_BINARY;
            if (i < t.size() && t[i] == '(') {
                const std::size_t close = t.find(')', i);
                if (close == std::string::npos || close == i + 1 || close - i - 1 > 8)
                    Fail("hex( must hold a value kind in hexadecimal and \")\"");
                type = 0;
                for (std::size_t k = i + 1; k < close; ++k) {
                    const int d = HexDigitValue(t[k]);
                    if (d < 0)
                        Fail("hex( must hold a value kind in hexadecimal and \")\"");
                    type = type * 16 + static_cast<DWORD>(d);
                }
                i = close + 1;
            }
            if (i >= t.size() || t[i] != ':')
                Fail("hex data must start with \"hex:\" or \"hex(kind):\"");
            data = HexBytes(t.substr(i + 1));
        } else {
            Fail("unrecognised value data");
        }
        FCurrent->SetValue(name, type, std::move(data));
    }

    // Comma-separated hex bytes, following "\" continuations onto the next lines.
    std::string HexBytes(std::string rest)
    {
        std::string out;
        for (;;) {
            rest = TrimBlanks(rest);
            bool more = false;
            if (!rest.empty() && rest.back() == '\\') {
                more = true;
                rest.pop_back();
                rest = TrimBlanks(rest);
            }
            std::size_t i = 0;
            while (i < rest.size()) {
                std::size_t comma = rest.find(',', i);
                if (comma == std::string::npos)
                    comma = rest.size();
                const std::string byte = TrimBlanks(rest.substr(i, comma - i));
                if (byte.empty() && comma == rest.size() && more)
                    break;  // "01,\" : the list goes on on the next line
                if (byte.empty() || byte.size() > 2 || HexDigitValue(byte[0]) < 0 ||
                    (byte.size() == 2 && HexDigitValue(byte[1]) < 0))
                    Fail("hex data must be bytes in hexadecimal separated by commas");
                int v = HexDigitValue(byte[0]);
                if (byte.size() == 2)
                    v = v * 16 + HexDigitValue(byte[1]);
                out += static_cast<char>(v);
                i = comma + 1;
                if (comma == rest.size() - 1 && !more)
                    Fail("hex data ends with a comma");
            }
            if (!more)
                return out;
            if (!FLines.Next(rest))
                Fail("hex data continues past the end of the file");
        }
    }

    LineReader FLines;
    std::string FRootName;
    std::unique_ptr<RegKey> FRoot;
    RegKey* FCurrent = nullptr;
};

void FormatKey(const RegKey& key, const std::string& fullPath, bool isRoot, std::string& out)
{
    if (!isRoot || !key.Values().empty()) {
        out += FormatKeyHeader(fullPath);
        out += '\n';
        for (const auto& v : key.Values()) {
            out += FormatValue(v);
            out += '\n';
        }
        out += '\n';
    }
    for (const auto& child : key.Children())
        FormatKey(*child, fullPath + "\\" + child->Name(), false, out);
}

}  // namespace

std::string QuoteRegString(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t len = Utf8Sequence(text, i);
            if (len > 0) {
                out.append(text, i, len);
                i += len;
                continue;
            }
        }
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F || c >= 0x80) {
                out += "\\x";
                AppendHexByte(out, c);
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string FormatKeyHeader(const std::string& fullPath) { return "[" + fullPath + "]"; }

std::string FormatValue(const RegValue& value)
{
    std::string out = value.name.empty() ? "@" : QuoteRegString(value.name);
    out += '=';
    const std::string& d = value.data;
    if (value.type == REG_SZ && !d.empty() && d.back() == '\0' &&
        d.find('\0') == d.size() - 1) {
        out += QuoteRegString(d.substr(0, d.size() - 1));
        return out;
    }
    if (value.type == REG_DWORD && d.size() == 4) {
        DWORD v = 0;
        for (int k = 3; k >= 0; --k)
            v = (v << 8) | static_cast<unsigned char>(d[static_cast<std::size_t>(k)]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v));
        out += buf;
        return out;
    }
    if (value.type == REG_BINARY) {
        out += "hex:";
    } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
        out += buf;
    }
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i > 0) {
            out += ',';
            if (out.size() - lineStart >= kWrapColumn) {
                out += "\\\n  ";
                lineStart = out.size() - 2;
            }
        }
        AppendHexByte(out, static_cast<unsigned char>(d[i]));
    }
    return out;
}

std::unique_ptr<RegKey> ParseRegistryText(const std::string& text, const std::string& rootName)
{
    return Parser(text, rootName).Run();
}

std::string FormatRegistryText(const RegKey& root, const std::string& rootName)
{
    std::string out = kRegistryFileHeader;
    out += "\n\n";
    FormatKey(root, rootName, true, out);
    return out;
}

}  // namespace twsregistry
