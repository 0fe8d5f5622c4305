#include "ScratchRegistry.h"

#include <stdexcept>
#include <string>
#include <windows.h>

namespace twsregistrytesting {

namespace {

const struct {
    HKEY Root;
    const char* Name;
} kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

std::string gScratch;

}  // namespace

void UseScratchRegistry(const std::filesystem::path&)
{
    static unsigned counter = 0;
    gScratch = "Software\\TidewashTests\\" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    for (const auto& root : kRoots) {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, (gScratch + "\\" + root.Name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot make the scratch registry " + gScratch);
        ::RegCloseKey(key);
    }
    // Every root is redirected only once all scratch keys exist: they live
    // under the real HKEY_CURRENT_USER.
    HKEY keys[std::size(kRoots)];
    for (std::size_t i = 0; i < std::size(kRoots); ++i)
        ::RegOpenKeyExA(HKEY_CURRENT_USER, (gScratch + "\\" + kRoots[i].Name).c_str(), 0, KEY_ALL_ACCESS, &keys[i]);
    for (std::size_t i = 0; i < std::size(kRoots); ++i) {
        ::RegOverridePredefKey(kRoots[i].Root, keys[i]);
        ::RegCloseKey(keys[i]);
    }
}

void ReleaseScratchRegistry()
{
    for (const auto& root : kRoots)
        ::RegOverridePredefKey(root.Root, nullptr);
    if (!gScratch.empty())
        ::RegDeleteTreeA(HKEY_CURRENT_USER, gScratch.c_str());
    gScratch.clear();
}

}  // namespace twsregistrytesting
