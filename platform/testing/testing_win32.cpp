// The test helpers on Windows: a uniquely named folder in the temporary
// folder; there is no user to drop to (HasUnprivilegedUser is false).
#include "TempFolder.h"
#include "MountNamespace.h"
#include "Unprivileged.h"

#include <stdexcept>
#include <windows.h>

namespace fs = std::filesystem;

namespace twstesting {

TTempFolder::TTempFolder(const std::string& tag)
{
    const fs::path base = fs::temp_directory_path();
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const fs::path candidate =
            base / (tag + "." + std::to_string(::GetCurrentProcessId()) + "." +
                    std::to_string(::GetTickCount64() % 1000000) + "." + std::to_string(attempt));
        if (::CreateDirectoryA(candidate.string().c_str(), nullptr)) {
            FPath = candidate;
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

TTempFolder::~TTempFolder() { RemoveTree(FPath); }

void TTempFolder::GiveTo(unsigned, unsigned) const {}

void RemoveTree(const fs::path& path)
{
    std::error_code ec;
    // Read-only files cannot be deleted on Windows: clear the attribute first.
    if (fs::is_directory(fs::symlink_status(path, ec))) {
        for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (ec)
                break;
            ::SetFileAttributesA(it->path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    fs::remove_all(path, ec);
}

bool HasUnprivilegedUser() { return false; }
unsigned UnprivilegedUid() { return 0; }
unsigned UnprivilegedGid() { return 0; }

std::string RunUnprivileged(const std::function<std::string()>&)
{
    return "no user without privileges on this platform";
}

std::string InOwnMountNamespace(const std::function<std::string()>&) { return kNoMountNamespace; }

}  // namespace twstesting
