// The platform-dependent runtime helpers on POSIX.
#include "SysUtils.hpp"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>

const char PathDelim = '/';
const char* const PathDelimiters = "/";
const unsigned DefaultSystemCodePage = 65001;  // CP_UTF8

TDateTime Now()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm local;
    const time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).Val +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                      static_cast<int>(tv.tv_usec / 1000))
               .Val;
}

bool FileExists(const AnsiString& fileName)
{
    struct stat st;
    return ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const AnsiString& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

AnsiString SysErrorMessage(int code) { return std::strerror(code); }

bool CreateDir(const AnsiString& dir)
{
    return ::mkdir(dir.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(dir));
}
