// Text conversion between UTF-8 and UTF-16: valid text both ways, the sizes
// and buffer rules, and damaged input in each direction.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "handle.h"
#include "stringapiset.h"
#include "winerror.h"

namespace {

// Converts exactly the given bytes from a heap block of that size, so that
// a read beyond them is caught by the address sanitizer.
std::u16string ToWide(const std::string& bytes, DWORD flags = 0, UINT codePage = CP_UTF8)
{
    auto block = std::make_unique<char[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.get());
    const int size = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, block.get(), size, nullptr, 0);
    if (needed == 0)
        return u"<failed>";
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    EXPECT_EQ(MultiByteToWideChar(codePage, flags, block.get(), size, out.data(), needed), needed);
    return out;
}

std::string ToNarrow(const std::u16string& text, DWORD flags = 0, UINT codePage = CP_UTF8)
{
    auto block = std::make_unique<char16_t[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(codePage, flags, block.get(), size, nullptr, 0, nullptr, nullptr);
    if (needed == 0)
        return "<failed>";
    std::string out(static_cast<std::size_t>(needed), '\0');
    EXPECT_EQ(WideCharToMultiByte(codePage, flags, block.get(), size, out.data(), needed, nullptr,
                                  nullptr),
              needed);
    return out;
}

}  // namespace

TEST(ComTextConversion, ValidTextRoundTripsInEveryAnsiCodePage)
{
    const std::string utf8 = "Tide \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE6\xBC\xA2";
    const std::u16string utf16 = u"Tide été € \U0001F600 漢";
    for (UINT cp : {CP_ACP, CP_OEMCP, CP_THREAD_ACP, CP_UTF8}) {
        EXPECT_EQ(ToWide(utf8, 0, cp), utf16) << cp;
        EXPECT_EQ(ToNarrow(utf16, 0, cp), utf8) << cp;
    }
    // The emoji is one surrogate pair.
    const std::u16string emoji = ToWide("\xF0\x9F\x98\x80");
    ASSERT_EQ(emoji.size(), 2u);
    EXPECT_EQ(emoji[0], 0xD83D);
    EXPECT_EQ(emoji[1], 0xDE00);
}

TEST(ComTextConversion, MinusOneLengthIncludesTheTerminatorAndEmbeddedZerosAreKept)
{
    char16_t buffer[8];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, buffer, 8), 3);
    EXPECT_EQ(buffer[2], 0);
    char narrow[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"ab", -1, narrow, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(narrow, "ab");

    const std::string withZero("a\0b", 3);
    EXPECT_EQ(ToWide(withZero), std::u16string(u"a\0b", 3));
    EXPECT_EQ(ToNarrow(std::u16string(u"a\0b", 3)), withZero);
}

TEST(ComTextConversion, TooSmallBufferFailsAndWritesNothingBeyondIt)
{
    char16_t wide[4] = {u'x', u'x', u'x', u'#'};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcd", 4, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(wide[3], u'#');

    // A character of several bytes that does not fit whole is not cut.
    char narrow[4] = {'x', 'x', 'x', '#'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a€", 2, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(narrow[3], '#');
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a€", 2, narrow, 4, nullptr, nullptr), 4);
}

// ASCII runs are copied apart from the decoding: the runs' edges, where a
// buffer ends inside or right after a run, in both directions.
TEST(ComTextConversion, AsciiRunsBesideOtherCharactersKeepTheBufferRules)
{
    const struct {
        std::string Narrow;
        std::u16string Wide;
    } cases[] = {
        {"/home/user/project/a.obj", u"/home/user/project/a.obj"},
        {"\xC3\xA9t\xC3\xA9/a.obj", u"été/a.obj"},
        {"src/\xE2\x82\xAC/x", u"src/€/x"},
        {"a\xF0\x9F\x98\x80" "b", u"a\U0001F600b"},
        {"z\xE6\xBC\xA2", u"z漢"},
        {"x\xE6\xBC\xA2yz\xC3\xA9", u"x漢yzé"},
        {"\xC3\xA9" "/0123456789abcdef/x.obj", u"é/0123456789abcdef/x.obj"},
        {"01234567\xC3\xA9" "01234567", u"01234567é01234567"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToWide(c.Narrow), c.Wide) << c.Narrow;
        EXPECT_EQ(ToNarrow(c.Wide), c.Narrow) << c.Narrow;
        // One unit short fails wherever the last unit falls, and writes
        // nothing beyond the buffer.
        const int wideSize = static_cast<int>(c.Wide.size());
        std::u16string wide(c.Wide.size() + 1, u'#');
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, c.Narrow.data(), static_cast<int>(c.Narrow.size()), wide.data(),
                                      wideSize - 1),
                  0)
            << c.Narrow;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << c.Narrow;
        EXPECT_EQ(wide[c.Wide.size() - 1], u'#') << c.Narrow;
        const int narrowSize = static_cast<int>(c.Narrow.size());
        std::string narrow(c.Narrow.size() + 1, '#');
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, c.Wide.data(), wideSize, narrow.data(), narrowSize - 1, nullptr,
                                      nullptr),
                  0)
            << c.Narrow;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << c.Narrow;
        EXPECT_EQ(narrow[c.Narrow.size() - 1], '#') << c.Narrow;
    }
}

TEST(ComTextConversion, InvalidUtf8BecomesOneReplacementPerMaximalInvalidPart)
{
    const std::u16string r = u"\uFFFD";
    EXPECT_EQ(ToWide("a\x80z"), u"a" + r + u"z");                  // stray continuation
    EXPECT_EQ(ToWide("\xC0\x80"), r + r);                          // overlong start byte
    EXPECT_EQ(ToWide("\xE0\x80\x80"), r + r + r);                  // overlong three-byte form
    EXPECT_EQ(ToWide("\xED\xA0\x80"), r + r + r);                  // encoded surrogate
    EXPECT_EQ(ToWide("\xF4\x90\x80\x80"), r + r + r + r);          // beyond U+10FFFF
    EXPECT_EQ(ToWide("\xF0\x9F\x98" "A"), r + u"A");               // cut sequence, text goes on
    EXPECT_EQ(ToWide("\xE2\x82"), r);                              // cut at the very end
    EXPECT_EQ(ToWide("\xFF\xFE"), r + r);
    EXPECT_EQ(ToWide("\xF0\x9F\x98\x80\x80"), u"\U0001F600" + r);
}

TEST(ComTextConversion, StrictFlagsRefuseInvalidInput)
{
    SetLastError(0);
    EXPECT_EQ(ToWide("ok\xE2\x82", MB_ERR_INVALID_CHARS), u"<failed>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(ToWide("ok\xE2\x82\xAC", MB_ERR_INVALID_CHARS), u"ok€");

    SetLastError(0);
    EXPECT_EQ(ToNarrow(u"a\xD800", WC_ERR_INVALID_CHARS), "<failed>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(ComTextConversion, UnpairedSurrogatesBecomeReplacementOrTheDefaultCharacter)
{
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(ToNarrow(u"a\xD800"), "a" + r);             // high surrogate at the end
    EXPECT_EQ(ToNarrow(u"\xDC00z"), r + "z");             // low surrogate alone
    EXPECT_EQ(ToNarrow(u"\xD800\xD800\xDC00"), r + "\xF0\x90\x80\x80");  // high, then a pair

    // The ANSI code page honours a default character; UTF-8 refuses one.
    const char16_t text[] = u"x\xDC00y";
    char out[8] = {};
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 3, out, 8, nullptr, &used), 3);
    EXPECT_EQ(std::string(out, 3), "x?y");
    EXPECT_TRUE(used);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, 3, out, 8, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ComTextConversion, BadArgumentsAreRefused)
{
    char16_t wide[4];
    char narrow[4];
    // Fails with that error code.
    auto refuses = [](int result, DWORD error) {
        const DWORD got = GetLastError();
        SetLastError(0);
        return result == 0 && got == error;
    };
    SetLastError(0);
    EXPECT_TRUE(refuses(MultiByteToWideChar(1252, 0, "a", 1, wide, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(refuses(MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, wide, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(refuses(MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(refuses(MultiByteToWideChar(CP_UTF8, 0, "a", -2, wide, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(refuses(MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(refuses(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4),
                        ERROR_INVALID_FLAGS));
    EXPECT_TRUE(refuses(WideCharToMultiByte(CP_UTF8, 0, nullptr, 1, narrow, 4, nullptr, nullptr),
                        ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(refuses(WideCharToMultiByte(CP_UTF8, WC_DEFAULTCHAR, u"a", 1, narrow, 4, nullptr,
                                            nullptr),
                        ERROR_INVALID_FLAGS));
    // The ANSI code page takes the composition flags.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "a", 1, wide, 4), 1);
}

TEST(ComTextConversion, LstrlenWCountsUpToTheZero)
{
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u""), 0);
    EXPECT_EQ(lstrlenW(u"ab\U0001F600"), 4);
}
