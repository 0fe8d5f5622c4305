// twsregedit: prints key trees of the registry in REGEDIT format, for
// people to look at what is registered.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "RegExport.h"
#include "RegistryText.h"
#include "twsregistry.h"

namespace {

void Usage(std::FILE* to)
{
    std::fprintf(to,
                 "Usage: twsregedit [KEY...]\n"
                 "Prints each KEY with its values and everything below it, in the\n"
                 "REGEDIT export format. KEY is a root key, optionally followed by a\n"
                 "path: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE\n"
                 "(or HKCR, HKCU, HKLM), e.g. \"HKEY_LOCAL_MACHINE\\Software\\X\".\n"
                 "Without KEY, prints the whole registry.\n"
                 "\n"
                 "The registry is kept in the folder named by TIDEWASH_REGISTRY, by\n"
                 "default $XDG_DATA_HOME/tidewash/registry (~/.local/share/...).\n"
                 "In use now: %s\n"
                 "\n"
                 "Exit status: 0 printed, 1 a key that does not exist, 2 the\n"
                 "registry cannot be read, 64 bad arguments.\n",
                 twsregistry::Prefix().c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> keys;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("twsregedit (Tidewash) " TIDEWASH_VERSION "\n");
            return 0;
        }
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "twsregedit: unknown option %s\n", argv[i]);
            Usage(stderr);
            return 64;
        }
        keys.emplace_back(argv[i]);
    }
    if (keys.empty())
        keys = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

    std::string out = std::string(twsregistry::kRegistryFileHeader) + "\n\n";
    for (const auto& text : keys) {
        HKEY root;
        std::string path;
        if (!regedit::ParseKeyName(text, root, path)) {
            std::fprintf(stderr, "twsregedit: not a registry key: %s\n", text.c_str());
            return 64;
        }
        const LONG rc = regedit::ExportKey(root, path, out);
        if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_INVALID_PARAMETER) {
            std::fprintf(stderr, "twsregedit: key not found: %s\n", text.c_str());
            return 1;
        }
        if (rc != ERROR_SUCCESS) {
            std::fprintf(stderr, "twsregedit: %s\n", twsregistry::ErrorText(rc).c_str());
            return 2;
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
