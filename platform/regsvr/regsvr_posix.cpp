// twsregsvr: registers or unregisters an in-process server module by
// loading it and calling its DllRegisterServer or DllUnregisterServer, as
// the system's server registration tool does. (Key trees are shown by
// twsregedit.)
//
// Exit codes, as the Windows tool's:
//   0 success, 64 bad arguments (as the disk-cleanup host), 2 COM could not be initialised,
//   3 the module cannot be loaded, 4 it lacks the entry point,
//   5 the entry point reported a failure,
//   6 it reported success, but the registry's files refused some of its
//     changes (each is printed as a warning naming the file and the reason).
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "objbase.h"
#include "oleauto.h"
#include "stringapiset.h"
#include "textconv.h"
#include "twsregistry.h"

namespace {

enum ExitCode {
    kOk = 0,
    kBadArguments = 64,
    kComFailed = 2,
    kLoadFailed = 3,
    kNoEntry = 4,
    kFailed = 5,
    kIncomplete = 6,
};

const char* const kUsage =
    "Usage: twsregsvr [/u] [/s] [--system] <module.so>\n"
    "\n"
    "Registers an in-process COM server module by calling its DllRegisterServer,\n"
    "or with /u unregisters it by calling its DllUnregisterServer.\n"
    "\n"
    "  /u      unregister instead of register\n"
    "  /s      silent: print nothing on success (failures still go to stderr)\n"
    "  --system  register for every user, in the system registry\n"
    "          $TIDEWASH_SYSTEM_REGISTRY, by default /var/lib/tidewash/registry\n"
    "          (as root, for a package); every user's programs read it beneath\n"
    "          their own registry\n"
    "  --help  this text\n"
    "  --version  the version\n"
    "Options may also be written -u, -s; they ignore case.\n"
    "\n"
    "The registry is the folder $TIDEWASH_REGISTRY, by default\n"
    "$XDG_DATA_HOME/tidewash/registry (~/.local/share/tidewash/registry);\n"
    "twsregedit shows what a registration wrote.\n"
    "\n"
    "Exit status: 0 success, 64 bad arguments, 2 COM could not be initialised,\n"
    "3 the module cannot be loaded, 4 it has no such entry point, 5 the entry\n"
    "point failed, 6 it succeeded but some keys could not be written.\n";

bool IsOption(std::string arg, const char* name)
{
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return false;
    for (char& c : arg)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return arg.compare(1, std::string::npos, name) == 0;
}

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

// The description of the error information the module left, if any.
std::string ErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return std::string();
    BSTR text = nullptr;
    std::string result;
    if (SUCCEEDED(info->GetDescription(&text)))
        result = twscom::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text)));
    SysFreeString(text);
    info->Release();
    return result;
}

int Register(const std::string& moduleArg, bool unregister, bool silent)
{
    // The module learns its own path from the loader, so it is given the
    // full path, as the Windows tool does.
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(moduleArg, ec);
    if (ec)
        path = moduleArg;
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::cerr << "twsregsvr: COM could not be initialised\n";
        return kComFailed;
    }
    int code = kOk;
    dlerror();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        std::cerr << "twsregsvr: cannot load \"" << path.string()
                  << "\": " << (reason != nullptr ? reason : "unknown reason") << "\n";
        code = kLoadFailed;
    } else {
        using Entry = HRESULT (*)();
        auto entry = reinterpret_cast<Entry>(dlsym(module, entryName));
        if (entry == nullptr) {
            std::cerr << "twsregsvr: \"" << path.string() << "\" was loaded, but it has no "
                      << entryName << " entry point\n";
            code = kNoEntry;
        } else {
            SetErrorInfo(0, nullptr);
            twsregistry::TakeFileFailures();
            const HRESULT hr = entry();
            // A module may well report success after a key it could not
            // write (the disk-cleanup part of a handler's registration does):
            // the registry itself says what it refused.
            const std::vector<std::string> refused = twsregistry::TakeFileFailures();
            for (const std::string& why : refused)
                std::cerr << "twsregsvr: warning: a key could not be written: " << why << "\n";
            if (SUCCEEDED(hr) && !refused.empty()) {
                std::cerr << entryName << " in \"" << path.string()
                          << "\" reported success, but the registry refused " << refused.size()
                          << (refused.size() == 1 ? " change" : " changes") << "; the registration is incomplete.\n";
                code = kIncomplete;
            } else if (SUCCEEDED(hr)) {
                if (!silent)
                    std::cout << entryName << " in \"" << path.string() << "\" succeeded.\n"
                              << "Registry: " << twsregistry::Prefix() << "\n";
            } else {
                std::cerr << entryName << " in \"" << path.string() << "\" failed with HRESULT "
                          << Hex(hr) << ".\n";
                const std::string description = ErrorDescription();
                if (!description.empty())
                    std::cerr << "  " << description << "\n";
                const std::string registry = twsregistry::LastErrorText();
                if (!registry.empty())
                    std::cerr << "  registry: " << registry << "\n";
                code = kFailed;
            }
        }
    }
    CoUninitialize();
    if (module != nullptr)
        dlclose(module);
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    bool unregister = false;
    bool silent = false;
    bool system = false;
    std::vector<std::string> modules;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || IsOption(arg, "?") || IsOption(arg, "h") || IsOption(arg, "help")) {
            std::cout << kUsage;
            return kOk;
        }
        if (arg == "--version") {
            std::cout << "twsregsvr (Tidewash) " TIDEWASH_VERSION "\n";
            return kOk;
        }
        if (arg == "--system") {
            system = true;
        } else if (IsOption(arg, "u")) {
            unregister = true;
        } else if (IsOption(arg, "s")) {
            silent = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "twsregsvr: unknown option " << arg << "\n" << kUsage;
            return kBadArguments;
        } else {
            modules.push_back(arg);
        }
    }
    if (modules.size() != 1) {
        std::cerr << (modules.empty() ? "twsregsvr: no module given\n"
                                      : "twsregsvr: give exactly one module\n")
                  << kUsage;
        return kBadArguments;
    }
    // The system registry becomes this process's whole registry, so that
    // everything the module writes goes there.
    if (system && ::setenv("TIDEWASH_REGISTRY", twsregistry::SystemPrefix().c_str(), 1) != 0) {
        std::cerr << "twsregsvr: cannot select the system registry\n";
        return kBadArguments;
    }
    return Register(modules.front(), unregister, silent);
}
