// The user's folders on Windows: the known folders the environment names.
// Names are ANSI code page strings, as the A functions take them.
#include "UserFolders.h"

#include <atomic>
#include <string>
#include <windows.h>

namespace twsplatform {

namespace {

AnsiString Environment(const char* name)
{
    char value[4096];
    const DWORD n = ::GetEnvironmentVariableA(name, value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return AnsiString();
    AnsiString folder(value, n);
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

}  // namespace

AnsiString UserConfigBase() { return Environment("APPDATA"); }

AnsiString UserStateBase() { return Environment("LOCALAPPDATA"); }

std::vector<AnsiString> SystemConfigBases()
{
    const AnsiString data = Environment("ProgramData");
    return data.empty() ? std::vector<AnsiString>() : std::vector<AnsiString>{data};
}

// The access rights of a folder on Windows are an ACL that only an attempt
// tells reliably: a file is created in it and deleted when closed. Its name
// is new for every probe, so that probes at the same time (two handler
// objects, two processes) never take each other's name for a refusal.
bool FolderWritable(const AnsiString& folder)
{
    static std::atomic<unsigned> probes{0};
    AnsiString probe = folder;
    if (!probe.empty() && probe.back() != '\\' && probe.back() != '/')
        probe += '\\';
    probe += "~tidewash-write-probe-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(probes.fetch_add(1)) + ".tmp";
    const HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                   nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(h);
    return true;
}

bool PathPresent(const AnsiString& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace twsplatform
