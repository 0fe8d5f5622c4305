// The text form of one registry root: the REGEDIT export format.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Zel]
//   @="the default value"
//   "Name"="text"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,ff
//   "Path"=hex(2):25,50,41,54,48,25,00
//
// The file is UTF-8 with LF line ends (a BOM and CRLF are accepted). A key
// is a [root\path] line followed by its values and a blank line; every key
// is listed, depth first, subkeys in name order. Values:
//   "text"        REG_SZ whose data is the text and one terminating zero
//   dword:        REG_DWORD of 4 bytes, 8 hexadecimal digits
//   hex:          REG_BINARY, bytes as 2-digit hexadecimal, comma separated
//   hex(N):       any other kind N (hexadecimal), or a REG_SZ / REG_DWORD
//                 whose data does not fit the forms above; the bytes as set
// Long hex lists wrap after a comma with "\" and go on on the next line
// after two blanks.
//
// In quoted names and strings: \\ is a backslash, \" a double quote, \n a
// line feed, \r a carriage return, \t a tab, and \xHH any other byte below
// 0x20, 0x7F, or a byte that is not part of valid UTF-8. Everything else
// stands as itself, so any bytes go through unchanged.
//
// Key names cannot hold control characters or backslashes (see
// SplitKeyPath). Reading accepts also "REGEDIT4" as the first line, lines
// starting with ";" as comments (a rewrite drops them), blanks around lines,
// and the same key listed more than once (merged; a later value wins).
// Anything else is damage: deletion entries ([-key], "name"=-), values
// before the first key, keys of another root, unknown escapes or data.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "RegistryTree.h"

namespace twsregistry {

extern const char* const kRegistryFileHeader;

// Text that does not read as a registry file: the line and what is wrong.
class RegTextError : public std::runtime_error {
public:
    RegTextError(int line, const std::string& what)
        : std::runtime_error(what), FLine(line) {}
    int Line() const { return FLine; }

private:
    int FLine;
};

// The tree of the root named rootName ("HKEY_CURRENT_USER") from its file
// text. Raises RegTextError.
std::unique_ptr<RegKey> ParseRegistryText(const std::string& text, const std::string& rootName);

// The whole file text of a root.
std::string FormatRegistryText(const RegKey& root, const std::string& rootName);

// The pieces of that text, for programs that show parts of the registry.
std::string FormatKeyHeader(const std::string& fullPath);  // "[fullPath]"
std::string FormatValue(const RegValue& value);  // may span lines; no final line end
std::string QuoteRegString(const std::string& text);  // quoted and escaped

}  // namespace twsregistry
