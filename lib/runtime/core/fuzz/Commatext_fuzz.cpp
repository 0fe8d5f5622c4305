// Fuzzer for comma text (TStrings::SetCommaText / CommaText) and for a comma
// text kept as one INI value (zelcore::QuoteCommaText). Properties: the
// items read from any text, written as comma text and read again, are the
// same items; that comma text is a fixed point; stored through an INI file
// with QuoteCommaText it reads back as the same items.
#include <cstdio>
#include <cstdlib>

#include "Classes.hpp"
#include "IniFiles.hpp"
#include "Zelconvert.h"

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "comma text fuzz check failed: %s\n", what);
        std::abort();
    }
}

bool SameItems(const TStrings& a, const TStrings& b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const AnsiString text(reinterpret_cast<const char*>(data), size);
    TStringList first;
    first.SetCommaText(text);
    const AnsiString written = first.CommaText();
    TStringList second;
    second.SetCommaText(written);
    Require(SameItems(first, second), "comma text read back gives other items");
    Require(second.CommaText() == written, "comma text is not stable");

    // Items read from anything hold no line break only by chance; an INI
    // value cannot hold one, so only such lists go through the file.
    if (written.find_first_of("\r\n") == AnsiString::npos) {
        TMemIniFile ini("fuzz.ini", AnsiString());
        ini.WriteString("Masks", "List", zelcore::QuoteCommaText(written));
        TMemIniFile reread("fuzz.ini", ini.Text());
        TStringList third;
        third.SetCommaText(reread.ReadString("Masks", "List", AnsiString()));
        Require(SameItems(first, third), "a comma text kept in an INI value reads back as other items");
    }
    return 0;
}
