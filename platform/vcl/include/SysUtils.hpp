// Text conversions, date-time arithmetic and small string and path helpers.
//
// Every text form here is fixed and independent of the process locale:
//   integers   decimal digits with "-" for negatives; parses also accept
//              "$" or "0x" hexadecimal and surrounding blanks
//   floats     general format, up to 15 significant digits, "." as the
//              decimal separator, exponent as "E" with its sign only when
//              negative ("1E20", "1.5E-5")
//   date-time  "yyyy-mm-dd hh:nn:ss", the time left out at midnight; parses
//              accept the same, with the seconds optional
#pragma once

#include <cstdint>

#include "System.hpp"

AnsiString IntToStr(long long value);
int StrToInt(const AnsiString& text);  // EConvertError when not an integer
int StrToIntDef(const AnsiString& text, int defaultValue);
bool TryStrToInt(const AnsiString& text, int& value);
bool TryStrToInt64(const AnsiString& text, std::int64_t& value);

AnsiString FloatToStr(double value);
double StrToFloat(const AnsiString& text);  // EConvertError when not a number
bool TryStrToFloat(const AnsiString& text, double& value);

AnsiString DateTimeToStr(TDateTime value);
TDateTime StrToDateTime(const AnsiString& text);  // EConvertError when not a date-time
bool TryStrToDateTime(const AnsiString& text, TDateTime& value);

// Calendar conversions. EncodeDate/EncodeTime raise EConvertError for fields
// out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond);

// A file time given as seconds and nanoseconds since 1970-01-01 UTC, as a
// TDateTime in UTC: no time-zone shift.
TDateTime UnixTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds = 0);
// The current local time.
TDateTime Now();

// Blanks here are the characters at or below ' ', as the runtime trims them.
AnsiString Trim(const AnsiString& text);
AnsiString TrimLeft(const AnsiString& text);
AnsiString TrimRight(const AnsiString& text);

// Case conversion and comparison ignoring case. Letters are folded in ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic; other bytes compare as they
// are, and text that is not valid UTF-8 compares byte by byte.
AnsiString UpperCase(const AnsiString& text);
AnsiString LowerCase(const AnsiString& text);
int CompareText(const AnsiString& a, const AnsiString& b);  // <0, 0, >0
bool SameText(const AnsiString& a, const AnsiString& b);
// A key for tables that find text ignoring case: two texts have the same
// key exactly when SameText holds for them.
AnsiString SameTextKey(const AnsiString& text);

// The path separator of the platform and the helpers around it. A file name
// ends after the last of PathDelimiters: "/" on POSIX, "\\/:" on Windows,
// where "/" also separates and "C:name" is a name on drive C.
extern const char PathDelim;
// The code page of AnsiString text, for the wide-text conversions:
// CP_UTF8 on POSIX, CP_ACP (the system's ANSI code page) on Windows.
extern const unsigned DefaultSystemCodePage;
extern const char* const PathDelimiters;
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path);
AnsiString ExtractFilePath(const AnsiString& fileName);  // up to and with the last separator
AnsiString ExtractFileName(const AnsiString& fileName);
bool FileExists(const AnsiString& fileName);
bool DirectoryExists(const AnsiString& path);
// Creates the folder and its missing parents; false when that fails.
bool ForceDirectories(const AnsiString& path);
// Creates one folder whose parent exists; true also when it is there already.
bool CreateDir(const AnsiString& dir);
// The system's sentence for an error code (errno on POSIX, GetLastError on
// Windows), without a line end; "" when the system has none.
AnsiString SysErrorMessage(int code);
