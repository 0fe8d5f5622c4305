// The table of open registry handles and the per-thread failure text.
#include "RegistryHandles.h"

#include <mutex>
#include <utility>
#include <vector>
#include <unordered_map>

namespace twsregistry {

namespace {

std::mutex gHandlesMutex;
// Handle value -> the key it names. The values are heap addresses of the
// records themselves, so they never collide with the predefined roots.
std::unordered_map<const void*, std::unique_ptr<KeyRef>> gHandles;

thread_local std::string tLastErrorText;

}  // namespace

bool PredefinedRoot(HKEY key, Root& root)
{
    if (key == HKEY_CLASSES_ROOT)
        root = Root::ClassesRoot;
    else if (key == HKEY_CURRENT_USER)
        root = Root::CurrentUser;
    else if (key == HKEY_LOCAL_MACHINE)
        root = Root::LocalMachine;
    else
        return false;
    return true;
}

HKEY PredefinedKey(Root root)
{
    switch (root) {
    case Root::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Root::CurrentUser: return HKEY_CURRENT_USER;
    case Root::LocalMachine: return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

LONG ResolveKey(HKEY key, KeyRef& ref)
{
    Root root;
    if (PredefinedRoot(key, root)) {
        ref = KeyRef{root, {}, KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    const auto it = gHandles.find(key);
    if (it == gHandles.end())
        return ERROR_INVALID_HANDLE;
    ref = *it->second;
    return ERROR_SUCCESS;
}

HKEY NewKeyHandle(const KeyRef& ref)
{
    auto record = std::make_unique<KeyRef>(ref);
    HKEY key = reinterpret_cast<HKEY>(record.get());
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    gHandles.emplace(key, std::move(record));
    return key;
}

LONG CloseKeyHandle(HKEY key)
{
    Root root;
    if (PredefinedRoot(key, root))
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    return gHandles.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void SetLastErrorText(std::string text) { tLastErrorText = std::move(text); }
const std::string& LastErrorTextRef() { return tLastErrorText; }

namespace {
std::mutex gFailuresMutex;
std::vector<std::string> gFailures;
}  // namespace

void RecordFileFailure(std::string text)
{
    std::lock_guard<std::mutex> lock(gFailuresMutex);
    gFailures.push_back(std::move(text));
}

std::vector<std::string> TakeFileFailures()
{
    std::lock_guard<std::mutex> lock(gFailuresMutex);
    return std::exchange(gFailures, {});
}

}  // namespace twsregistry
