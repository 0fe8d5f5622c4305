// The user's folders on POSIX: the XDG base directories.
#include "UserFolders.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace twsplatform {

namespace {

// $name when it is an absolute path, else $HOME followed by fallback.
AnsiString XdgBase(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return AnsiString();
    return AnsiString(home) + fallback;
}

}  // namespace

AnsiString UserConfigBase() { return XdgBase("XDG_CONFIG_HOME", "/.config"); }

AnsiString UserStateBase() { return XdgBase("XDG_STATE_HOME", "/.local/state"); }

std::vector<AnsiString> SystemConfigBases()
{
    std::vector<AnsiString> bases;
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const AnsiString list = dirs != nullptr ? dirs : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        const AnsiString dir = list.substr(start, end - start);
        if (!dir.empty() && dir[0] == '/')
            bases.push_back(dir);
        start = end + 1;
    }
    if (bases.empty())
        bases.push_back("/etc/xdg");
    return bases;
}

bool FolderWritable(const AnsiString& folder)
{
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool PathPresent(const AnsiString& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace twsplatform
