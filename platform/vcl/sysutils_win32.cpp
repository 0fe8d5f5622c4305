// The platform-dependent runtime helpers on Windows. Names are ANSI code
// page strings, as the A functions take them.
#include "SysUtils.hpp"

#include <windows.h>

const char PathDelim = '\\';
const char* const PathDelimiters = "\\/:";
const unsigned DefaultSystemCodePage = CP_ACP;

TDateTime Now()
{
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return EncodeDate(t.wYear, t.wMonth, t.wDay).Val + EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds).Val;
}

bool FileExists(const AnsiString& fileName)
{
    const DWORD attributes = ::GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const AnsiString& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

AnsiString SysErrorMessage(int code)
{
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    AnsiString sentence = n ? AnsiString(text, n) : AnsiString();
    ::LocalFree(text);
    while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == '\r' || sentence.back() == ' '))
        sentence.pop_back();
    return sentence;
}

bool CreateDir(const AnsiString& dir)
{
    return ::CreateDirectoryA(dir.c_str(), nullptr) || (::GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(dir));
}
