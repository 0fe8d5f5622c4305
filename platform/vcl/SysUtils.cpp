// Text conversions and string helpers of the runtime. The platform parts
// (local time, file tests) are in sysutils_posix.cpp.
#include "SysUtils.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool ParseInt64(const AnsiString& raw, std::int64_t& out)
{
    const AnsiString text = Trim(raw);
    if (text.empty())
        return false;
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    std::uint64_t magnitude = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, magnitude, base);
    if (ec != std::errc() || ptr != last)
        return false;
    if (negative) {
        if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1)
            return false;
        out = static_cast<std::int64_t>(0 - magnitude);
    } else {
        if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return false;
        out = static_cast<std::int64_t>(magnitude);
    }
    return true;
}

// Days from 0001-01-01 (proleptic Gregorian) to the given date; civil
// calendar arithmetic after Howard Hinnant's days_from_civil.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;  // days since 1970-01-01
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

constexpr std::int64_t kEpochShift = 25569;  // days from 1899-12-30 to 1970-01-01

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are not a valid sequence.
int DecodeUtf8(const AnsiString& text, std::size_t i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    int len = b0 >= 0xF0 && b0 <= 0xF4 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
    if (len == 0 || i + len > text.size())
        return 0;
    cp = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void EncodeUtf8(char32_t cp, AnsiString& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t ToLower(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c < 0xC0)
        return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        const bool pairsEvenFirst = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        if (pairsEvenFirst)
            return (c % 2 == 0) ? c + 1 : c;
        if (c == 0x178)
            return 0xFF;
        return (c % 2 == 1) ? c + 1 : c;  // 0x139..0x148, 0x179..0x17E
    }
    return c;
}

char32_t ToUpper(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if (c < 0xE0)
        return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c == 0x178)
        return c;
    if (c >= 0x450 && c <= 0x45F)
        return c - 80;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        const bool pairsEvenFirst = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        if (pairsEvenFirst)
            return (c % 2 == 1) ? c - 1 : c;
        return (c % 2 == 0) ? c - 1 : c;
    }
    return c;
}

template <typename Fold>
AnsiString MapCase(const AnsiString& text, Fold fold)
{
    AnsiString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp;
        const int len = DecodeUtf8(text, i, cp);
        if (len == 0) {
            out += text[i++];
            continue;
        }
        EncodeUtf8(fold(cp), out);
        i += static_cast<std::size_t>(len);
    }
    return out;
}

}  // namespace

AnsiString IntToStr(long long value) { return std::to_string(value); }

bool TryStrToInt64(const AnsiString& text, std::int64_t& value) { return ParseInt64(text, value); }

bool TryStrToInt(const AnsiString& text, int& value)
{
    std::int64_t v;
    if (!ParseInt64(text, v) || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const AnsiString& text)
{
    int v;
    if (!TryStrToInt(text, v))
        throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const AnsiString& text, int defaultValue)
{
    int v;
    return TryStrToInt(text, v) ? v : defaultValue;
}

AnsiString FloatToStr(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    AnsiString text(buf, ec == std::errc() ? end : buf);
    // to_chars writes "1e+20" and "1.5e-05"; the runtime's form is "1E20", "1.5E-5".
    const auto e = text.find('e');
    if (e != AnsiString::npos) {
        AnsiString mantissa = text.substr(0, e);
        AnsiString exponent = text.substr(e + 1);
        bool negative = false;
        if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
            negative = exponent[0] == '-';
            exponent.erase(0, 1);
        }
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        text = mantissa + "E" + (negative ? "-" : "") + exponent;
    }
    return text;
}

bool TryStrToFloat(const AnsiString& raw, double& value)
{
    const AnsiString text = Trim(raw);
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    if (first == last || *first == '+')
        return false;
    double v;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double StrToFloat(const AnsiString& text)
{
    double v;
    if (!TryStrToFloat(text, v))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return v;
}

TDateTime EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        throw EConvertError("Invalid argument to date encode");
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                             static_cast<unsigned>(day)) +
                               kEpochShift);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        throw EConvertError("Invalid argument to time encode");
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond)
{
    // Work in whole milliseconds so that a time a hair below the next second
    // is not shown a second early. Before the epoch the fraction still counts
    // forward from midnight of the day given by the integral part.
    double days = std::trunc(value.Val);
    double fraction = std::fabs(value.Val - days);
    auto ms = static_cast<std::int64_t>(std::llround(fraction * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        days += value.Val < 0 ? -1 : 1;
    }
    CivilFromDays(static_cast<std::int64_t>(days) - kEpochShift, year, month, day);
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    millisecond = static_cast<int>(ms % 1000);
}

AnsiString DateTimeToStr(TDateTime value)
{
    int y, mo, d, h, mi, s, ms;
    // Whole seconds: round first so 23:59:59.7 becomes the next day's midnight.
    const double rounded = value.Val >= 0 ? std::round(value.Val * 86400.0) / 86400.0 : value.Val;
    DecodeDateTime(rounded, y, mo, d, h, mi, s, ms);
    char buf[48];
    if (h == 0 && mi == 0 && s == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, d);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return buf;
}

bool TryStrToDateTime(const AnsiString& raw, TDateTime& value)
{
    const AnsiString text = Trim(raw);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    int n = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &n) != 3 || n != 10)
        return false;
    if (static_cast<std::size_t>(n) < text.size()) {
        const AnsiString time = Trim(text.substr(static_cast<std::size_t>(n)));
        int m = 0;
        const int got = std::sscanf(time.c_str(), "%2d:%2d:%2d%n%c", &h, &mi, &s, &m, &tail);
        if (got == 3 && static_cast<std::size_t>(m) == time.size()) {
        } else if (std::sscanf(time.c_str(), "%2d:%2d%n", &h, &mi, &m) == 2 &&
                   static_cast<std::size_t>(m) == time.size()) {
            s = 0;
        } else {
            return false;
        }
        if (!IsBlank(text[static_cast<std::size_t>(n)]))
            return false;
    }
    try {
        const TDateTime date = EncodeDate(y, mo, d);
        const TDateTime time = EncodeTime(h, mi, s, 0);
        value = date.Val >= 0 ? date.Val + time.Val : date.Val - time.Val;
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}

TDateTime StrToDateTime(const AnsiString& text)
{
    TDateTime v;
    if (!TryStrToDateTime(text, v))
        throw EConvertError("'" + text + "' is not a valid date and time");
    return v;
}

TDateTime UnixTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    // Split into whole days and the time of day so that the pre-1899 form
    // (fraction counting forward) comes out right.
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const double fraction = (static_cast<double>(rest) + static_cast<double>(nanoseconds) / 1e9) / 86400.0;
    const double day = static_cast<double>(days + kEpochShift);
    return day >= 0 ? day + fraction : day - fraction;
}

AnsiString Trim(const AnsiString& text)
{
    // One copy of what is kept: a settings line may be megabytes long.
    std::size_t first = 0, end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    while (first < end && IsBlank(text[first]))
        ++first;
    return text.substr(first, end - first);
}

AnsiString TrimLeft(const AnsiString& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

AnsiString TrimRight(const AnsiString& text)
{
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    return text.substr(0, n);
}

AnsiString UpperCase(const AnsiString& text) { return MapCase(text, ToUpper); }
AnsiString LowerCase(const AnsiString& text) { return MapCase(text, ToLower); }

namespace {

// The code point CompareText sees at text[i] (a byte that starts no valid
// sequence stands for itself); its length goes to len.
char32_t ComparedCodePoint(const AnsiString& text, std::size_t i, int& len)
{
    char32_t cp;
    len = DecodeUtf8(text, i, cp);
    if (len == 0) {
        cp = static_cast<unsigned char>(text[i]);
        len = 1;
    }
    return cp;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

int CompareText(const AnsiString& a, const AnsiString& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // Settings keys, masks and paths are mostly ASCII: those bytes are
        // compared without decoding.
        if (static_cast<unsigned char>(a[i]) < 0x80 && static_cast<unsigned char>(b[j]) < 0x80) {
            const char ca = AsciiLower(a[i]), cb = AsciiLower(b[j]);
            if (ca != cb)
                return ca < cb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        int la, lb;
        char32_t ca = ComparedCodePoint(a, i, la);
        char32_t cb = ComparedCodePoint(b, j, lb);
        ca = ToLower(ca);
        cb = ToLower(cb);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        i += static_cast<std::size_t>(la);
        j += static_cast<std::size_t>(lb);
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool SameText(const AnsiString& a, const AnsiString& b) { return CompareText(a, b) == 0; }

AnsiString SameTextKey(const AnsiString& text)
{
    AnsiString key;
    key.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            key += AsciiLower(text[i++]);
            continue;
        }
        int len;
        // The lowered code points, each encoded: two texts give the same
        // sequence, and so the same key, exactly when CompareText finds
        // them equal (a stray byte becomes the letter of its value, as
        // CompareText reads it).
        EncodeUtf8(ToLower(ComparedCodePoint(text, i, len)), key);
        i += static_cast<std::size_t>(len);
    }
    return key;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& path)
{
    if (!path.empty() && path.back() == PathDelim)
        return path;
    return path + PathDelim;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path)
{
    if (path.size() > 1 && path.back() == PathDelim)
        return path.substr(0, path.size() - 1);
    return path;
}

bool ForceDirectories(const AnsiString& path)
{
    const AnsiString dir = ExcludeTrailingPathDelimiter(path);
    if (dir.empty())
        return false;
    if (DirectoryExists(dir))
        return true;
    // A root ("/", "C:\\") is its own parent: nothing above it to make.
    const AnsiString parent = ExtractFilePath(dir);
    if (!parent.empty() && parent != dir && ExcludeTrailingPathDelimiter(parent) != dir &&
        !ForceDirectories(parent))
        return false;
    return CreateDir(dir);
}

AnsiString ExtractFilePath(const AnsiString& fileName)
{
    const auto p = fileName.find_last_of(PathDelimiters);
    return p == AnsiString::npos ? AnsiString() : fileName.substr(0, p + 1);
}

AnsiString ExtractFileName(const AnsiString& fileName)
{
    const auto p = fileName.find_last_of(PathDelimiters);
    return p == AnsiString::npos ? fileName : fileName.substr(p + 1);
}
