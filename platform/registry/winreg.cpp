// The ANSI registry functions of winreg.h, over the registry files of
// RegistryStore.h (whose files and locks are registrystore_posix.cpp).
//
// Every function checks what it can on a snapshot of the root first, so a
// call that changes nothing (or fails) takes no lock and writes nothing;
// a change is then applied, and checked again, under the lock.
#include "winreg.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "RegistryHandles.h"
#include "RegistryStore.h"
#include "twsregistry.h"

using namespace twsregistry;

namespace {

constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr REGSAM kGenericRead = 0x80000000u;
constexpr REGSAM kGenericWrite = 0x40000000u;
constexpr REGSAM kGenericAll = 0x10000000u;

// The generic and "maximum allowed" rights as the key rights they stand for.
REGSAM EffectiveAccess(REGSAM sam, Root root)
{
    if (sam & kGenericRead)
        sam |= KEY_READ;
    if (sam & kGenericWrite)
        sam |= KEY_WRITE;
    if (sam & kGenericAll)
        sam |= KEY_ALL_ACCESS;
    if (sam & MAXIMUM_ALLOWED)
        sam |= RootWritable(root) ? KEY_ALL_ACCESS : KEY_READ;
    return sam & ~(kGenericRead | kGenericWrite | kGenericAll | MAXIMUM_ALLOWED);
}

// Runs a registry function: clears the thread's failure text, turns store
// failures into their ERROR_* codes and keeps their messages.
template <typename Body>
LONG Guarded(Body&& body)
{
    SetLastErrorText({});
    LONG rc;
    try {
        rc = body();
    } catch (const RegStoreError& e) {
        SetLastErrorText(e.what());
        RecordFileFailure(e.what());
        return e.Code();
    } catch (const std::bad_alloc&) {
        rc = ERROR_OUTOFMEMORY;
    } catch (const std::exception& e) {
        SetLastErrorText(e.what());
        RecordFileFailure(e.what());
        return ERROR_REGISTRY_IO_FAILED;
    }
    if (rc != ERROR_SUCCESS && LastErrorTextRef().empty())
        SetLastErrorText(ErrorText(rc));
    return rc;
}

// A change asked of a root whose file the user may not write.
LONG RefuseReadOnly(Root root)
{
    RecordFileFailure("The registry file \"" + RootFilePath(root) + "\" is read-only.");
    return ERROR_ACCESS_DENIED;
}

// The key a handle's path names in a tree.
template <typename Tree, typename Key>
LONG Locate(Tree& tree, const KeyPath& path, Key*& key)
{
    key = tree.Find(path);
    return key != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// A handle and a subkey below it: the handle's key, the subkey's path from
// the root (full) and from the handle's key (sub).
struct TSubKey {
    KeyRef base;
    KeyPath full;
    KeyPath sub;
};

LONG ResolveSubKey(HKEY hKey, const char* subKey, TSubKey& out)
{
    if (const LONG rc = ResolveKey(hKey, out.base); rc != ERROR_SUCCESS)
        return rc;
    if (SplitKeyPath(subKey, out.sub) != PathCheck::Valid)
        return ERROR_INVALID_PARAMETER;
    out.full = out.base.path;
    out.full.insert(out.full.end(), out.sub.begin(), out.sub.end());
    return ERROR_SUCCESS;
}

// The path of an existing key with the names as stored.
KeyPath StoredPath(const RegKey& tree, const KeyPath& path)
{
    KeyPath stored;
    const RegKey* key = &tree;
    for (const auto& part : path) {
        key = key->FindChild(part);
        stored.push_back(key->Name());
    }
    return stored;
}

LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD chars)
{
    if (name.size() + 1 > *chars)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    *chars = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Data out the Windows way: with no buffer only the size; a buffer too
// small gets nothing, and the size it needs.
LONG CopyData(const std::string& data, LPBYTE buffer, LPDWORD bytes)
{
    if (buffer == nullptr) {
        if (bytes != nullptr)
            *bytes = static_cast<DWORD>(data.size());
        return ERROR_SUCCESS;
    }
    const bool fits = data.size() <= *bytes;
    if (fits)
        std::memcpy(buffer, data.data(), data.size());
    *bytes = static_cast<DWORD>(data.size());
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

// Opens or creates (when create is set) the subkey below a handle.
enum class OpenMode { Open, Create };

LONG OpenOrCreate(HKEY hKey, LPCSTR lpSubKey, REGSAM samDesired, OpenMode mode, PHKEY phkResult,
                  LPDWORD lpdwDisposition)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    TSubKey target;
    if (const LONG rc = ResolveSubKey(hKey, lpSubKey, target); rc != ERROR_SUCCESS)
        return rc;
    const KeyRef& base = target.base;
    const KeyPath& full = target.full;
    const KeyPath& sub = target.sub;
    const REGSAM access = EffectiveAccess(samDesired, base.root);
    const bool writable = RootWritable(base.root);
    if ((access & kWriteRights) != 0 && !writable)
        return RefuseReadOnly(base.root);

    const auto snapshot = ReadRoot(base.root);
    const RegKey* baseKey;
    if (const LONG rc = Locate(*snapshot, base.path, baseKey); rc != ERROR_SUCCESS)
        return rc;
    KeyPath stored;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (baseKey->Find(sub) != nullptr) {
        stored = StoredPath(*snapshot, full);
    } else {
        if (mode == OpenMode::Open)
            return ERROR_FILE_NOT_FOUND;
        if (!writable)
            return RefuseReadOnly(base.root);
        if ((base.access & KEY_CREATE_SUB_KEY) == 0)
            return ERROR_ACCESS_DENIED;
        const LONG rc = ModifyRoot(base.root, [&](RegKey& tree, Change& change) -> LONG {
            RegKey* key;
            if (const LONG found = Locate(tree, base.path, key); found != ERROR_SUCCESS)
                return found;
            stored = base.path;
            for (const auto& part : sub) {
                bool created = false;
                key = &key->AddChild(part, &created);
                stored.push_back(key->Name());
                if (created) {
                    change = Change::Made;
                    disposition = REG_CREATED_NEW_KEY;
                }
            }
            return ERROR_SUCCESS;
        });
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    *phkResult = NewKeyHandle(KeyRef{base.root, stored, access});
    if (lpdwDisposition != nullptr)
        *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
}

// A handle's key in a fresh snapshot of its root.
struct TSnapshot {
    KeyRef ref;
    std::shared_ptr<const RegKey> tree;
    const RegKey* key = nullptr;
};

// The snapshot, after checking the handle's access.
LONG SnapshotKey(HKEY hKey, REGSAM needed, TSnapshot& out)
{
    if (const LONG rc = ResolveKey(hKey, out.ref); rc != ERROR_SUCCESS)
        return rc;
    if ((out.ref.access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    out.tree = ReadRoot(out.ref.root);
    return Locate(*out.tree, out.ref.path, out.key);
}

// Changes the key a handle names, under the root's lock, on the file as it
// is now; body(RegKey&, Change&) sets Change::Made when it changed anything.
template <typename Body>
LONG ModifyKey(const KeyRef& ref, Body&& body)
{
    if (!RootWritable(ref.root))
        return RefuseReadOnly(ref.root);
    return ModifyRoot(ref.root, [&](RegKey& tree, Change& change) -> LONG {
        RegKey* key;
        if (const LONG rc = Locate(tree, ref.path, key); rc != ERROR_SUCCESS) {
            // A key only the system registry beneath holds: a change to it
            // becomes the user's own key (it is written only when the body
            // changes something).
            const RegKey* seen;
            if (Locate(*ReadRoot(ref.root), ref.path, seen) != ERROR_SUCCESS)
                return rc;
            key = &tree;
            for (const auto& part : ref.path)
                key = &key->AddChild(part);
        }
        return body(*key, change);
    });
}

// What a key deletion may take with the key: RegDeleteKey refuses a key
// that has subkeys, RegDeleteTree takes them along.
enum class TDeleteScope { KeyWithoutSubkeys, WholeTree };

LONG DeleteKey(const KeyRef& base, const KeyPath& full, TDeleteScope scope)
{
    if (full.empty())
        return ERROR_ACCESS_DENIED;  // a root cannot be deleted
    const KeyPath parentPath(full.begin(), full.end() - 1);
    const auto check = [&](const RegKey& tree) -> LONG {
        const RegKey* key;
        if (const LONG rc = Locate(tree, base.path, key); rc != ERROR_SUCCESS)
            return rc;
        key = tree.Find(full);
        if (key == nullptr)
            return ERROR_FILE_NOT_FOUND;
        if (scope == TDeleteScope::KeyWithoutSubkeys && !key->Children().empty())
            return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    };
    if (const LONG rc = check(*ReadRoot(base.root)); rc != ERROR_SUCCESS)
        return rc;
    if (!RootWritable(base.root))
        return RefuseReadOnly(base.root);
    return ModifyRoot(base.root, [&](RegKey& tree, Change& change) -> LONG {
        if (const LONG rc = check(tree); rc != ERROR_SUCCESS)
            return rc;
        tree.Find(parentPath)->RemoveChild(full.back());
        change = Change::Made;
        return ERROR_SUCCESS;
    });
}

// RegCreateKeyA and RegOpenKeyA without a subkey hand back the handle
// itself once it proves valid; true when that is the case here.
bool SameKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult, LONG& rc)
{
    if (phkResult == nullptr || (lpSubKey != nullptr && *lpSubKey != '\0'))
        return false;
    KeyRef ref;
    rc = Guarded([&]() -> LONG { return ResolveKey(hKey, ref); });
    *phkResult = rc == ERROR_SUCCESS ? hKey : nullptr;
    return true;
}

// The key RegSetValueA and RegQueryValueA work on: the handle's own, or
// its subkey opened for the call and closed after it without changing the
// thread's last error text.
class TSubKeyHandle {
public:
    HKEY Key = nullptr;
    bool Opened = false;
    ~TSubKeyHandle()
    {
        if (Opened) {
            const std::string text = LastErrorText();
            RegCloseKey(Key);
            SetLastErrorText(text);
        }
    }
};

}  // namespace

extern "C" {

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                               const _SECURITY_ATTRIBUTES*, PHKEY phkResult,
                               LPDWORD lpdwDisposition)
{
    return Guarded([&]() -> LONG {
        return OpenOrCreate(hKey, lpSubKey, samDesired, OpenMode::Create, phkResult, lpdwDisposition);
    });
}

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    return Guarded([&]() -> LONG {
        return OpenOrCreate(hKey, lpSubKey, samDesired, OpenMode::Open, phkResult, nullptr);
    });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey)
{
    return Guarded([&]() -> LONG { return CloseKeyHandle(hKey); });
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    return Guarded([&]() -> LONG {
        if (lpSubKey == nullptr)
            return ERROR_INVALID_PARAMETER;
        TSubKey target;
        if (const LONG rc = ResolveSubKey(hKey, lpSubKey, target); rc != ERROR_SUCCESS)
            return rc;
        return DeleteKey(target.base, target.full, TDeleteScope::KeyWithoutSubkeys);
    });
}

LSTATUS WINAPI RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey)
{
    return Guarded([&]() -> LONG {
        TSubKey target;
        if (const LONG rc = ResolveSubKey(hKey, lpSubKey, target); rc != ERROR_SUCCESS)
            return rc;
        if (!target.sub.empty())
            return DeleteKey(target.base, target.full, TDeleteScope::WholeTree);
        const KeyRef& base = target.base;

        // No subkey: empty the handle's own key and keep it.
        constexpr REGSAM needed = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
        if ((base.access & needed) != needed)
            return ERROR_ACCESS_DENIED;
        const auto snapshot = ReadRoot(base.root);
        const RegKey* key;
        if (const LONG rc = Locate(*snapshot, base.path, key); rc != ERROR_SUCCESS)
            return rc;
        if (key->Children().empty() && key->Values().empty())
            return ERROR_SUCCESS;
        return ModifyKey(base, [](RegKey& k, Change& change) -> LONG {
            if (!k.Children().empty() || !k.Values().empty())
                change = Change::Made;
            k.Clear();
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    return Guarded([&]() -> LONG {
        if (lpName == nullptr || lpcchName == nullptr)
            return ERROR_INVALID_PARAMETER;
        TSnapshot snap;
        if (const LONG rc = SnapshotKey(hKey, KEY_ENUMERATE_SUB_KEYS, snap); rc != ERROR_SUCCESS)
            return rc;
        const RegKey* key = snap.key;
        if (dwIndex >= key->Children().size())
            return ERROR_NO_MORE_ITEMS;
        if (const LONG rc = CopyName(key->Children()[dwIndex]->Name(), lpName, lpcchName);
            rc != ERROR_SUCCESS)
            return rc;
        if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0)
            lpClass[0] = '\0';
        if (lpcchClass != nullptr)
            *lpcchClass = 0;
        if (lpftLastWriteTime != nullptr)
            *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return Guarded([&]() -> LONG {
        if (lpValueName == nullptr || lpcchValueName == nullptr ||
            (lpData != nullptr && lpcbData == nullptr))
            return ERROR_INVALID_PARAMETER;
        TSnapshot snap;
        if (const LONG rc = SnapshotKey(hKey, KEY_QUERY_VALUE, snap); rc != ERROR_SUCCESS)
            return rc;
        const RegKey* key = snap.key;
        if (dwIndex >= key->Values().size())
            return ERROR_NO_MORE_ITEMS;
        const RegValue& value = key->Values()[dwIndex];
        if (const LONG rc = CopyName(value.name, lpValueName, lpcchValueName); rc != ERROR_SUCCESS)
            return rc;
        if (lpType != nullptr)
            *lpType = value.type;
        return CopyData(value.data, lpData, lpcbData);
    });
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData)
{
    return Guarded([&]() -> LONG {
        if (lpData != nullptr && lpcbData == nullptr)
            return ERROR_INVALID_PARAMETER;
        TSnapshot snap;
        if (const LONG rc = SnapshotKey(hKey, KEY_QUERY_VALUE, snap); rc != ERROR_SUCCESS)
            return rc;
        const RegKey* key = snap.key;
        const RegValue* value = key->FindValue(lpValueName != nullptr ? lpValueName : "");
        if (value == nullptr)
            return ERROR_FILE_NOT_FOUND;
        if (lpType != nullptr)
            *lpType = value->type;
        return CopyData(value->data, lpData, lpcbData);
    });
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData)
{
    return Guarded([&]() -> LONG {
        if (lpData == nullptr && cbData > 0)
            return ERROR_INVALID_PARAMETER;
        TSnapshot snap;
        if (const LONG rc = SnapshotKey(hKey, KEY_SET_VALUE, snap); rc != ERROR_SUCCESS)
            return rc;
        const RegKey* key = snap.key;
        const std::string name = lpValueName != nullptr ? lpValueName : "";
        const std::string data(reinterpret_cast<const char*>(lpData), lpData != nullptr ? cbData : 0);
        const RegValue* old = key->FindValue(name);
        if (old != nullptr && old->type == dwType && old->data == data)
            return ERROR_SUCCESS;
        return ModifyKey(snap.ref, [&](RegKey& k, Change& change) -> LONG {
            if (k.SetValue(name, dwType, data))
                change = Change::Made;
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    return Guarded([&]() -> LONG {
        TSnapshot snap;
        if (const LONG rc = SnapshotKey(hKey, KEY_SET_VALUE, snap); rc != ERROR_SUCCESS)
            return rc;
        const RegKey* key = snap.key;
        const std::string name = lpValueName != nullptr ? lpValueName : "";
        if (key->FindValue(name) == nullptr)
            return ERROR_FILE_NOT_FOUND;
        return ModifyKey(snap.ref, [&](RegKey& k, Change& change) -> LONG {
            if (!k.RemoveValue(name))
                return ERROR_FILE_NOT_FOUND;
            change = Change::Made;
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime)
{
    return Guarded([&]() -> LONG {
        TSnapshot snap;
        if (const LONG rc = SnapshotKey(hKey, KEY_QUERY_VALUE, snap); rc != ERROR_SUCCESS)
            return rc;
        const RegKey* key = snap.key;
        std::size_t maxSubKey = 0, maxValueName = 0, maxValue = 0;
        for (const auto& child : key->Children())
            maxSubKey = std::max(maxSubKey, child->Name().size());
        for (const auto& value : key->Values()) {
            maxValueName = std::max(maxValueName, value.name.size());
            maxValue = std::max(maxValue, value.data.size());
        }
        if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0)
            lpClass[0] = '\0';
        if (lpcchClass != nullptr)
            *lpcchClass = 0;
        if (lpcSubKeys != nullptr)
            *lpcSubKeys = static_cast<DWORD>(key->Children().size());
        if (lpcbMaxSubKeyLen != nullptr)
            *lpcbMaxSubKeyLen = static_cast<DWORD>(maxSubKey);
        if (lpcbMaxClassLen != nullptr)
            *lpcbMaxClassLen = 0;
        if (lpcValues != nullptr)
            *lpcValues = static_cast<DWORD>(key->Values().size());
        if (lpcbMaxValueNameLen != nullptr)
            *lpcbMaxValueNameLen = static_cast<DWORD>(maxValueName);
        if (lpcbMaxValueLen != nullptr)
            *lpcbMaxValueLen = static_cast<DWORD>(maxValue);
        if (lpcbSecurityDescriptor != nullptr)
            *lpcbSecurityDescriptor = 0;
        if (lpftLastWriteTime != nullptr)
            *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegFlushKey(HKEY hKey)
{
    return Guarded([&]() -> LONG {
        KeyRef ref;
        return ResolveKey(hKey, ref);
    });
}

LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (LONG rc; SameKey(hKey, lpSubKey, phkResult, rc))
        return rc;
    return RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED,
                           nullptr, phkResult, nullptr);
}

LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (LONG rc; SameKey(hKey, lpSubKey, phkResult, rc))
        return rc;
    return RegOpenKeyExA(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LSTATUS WINAPI RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData, DWORD)
{
    if (dwType != REG_SZ || lpData == nullptr)
        return Guarded([]() -> LONG { return ERROR_INVALID_PARAMETER; });
    TSubKeyHandle key{hKey};
    if (lpSubKey != nullptr && *lpSubKey != '\0') {
        const LONG rc = RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_SET_VALUE, nullptr, &key.Key, nullptr);
        if (rc != ERROR_SUCCESS)
            return rc;
        key.Opened = true;
    }
    return RegSetValueExA(key.Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpData),
                          static_cast<DWORD>(std::strlen(lpData) + 1));
}

LSTATUS WINAPI RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, PLONG lpcbData)
{
    if (lpData != nullptr && lpcbData == nullptr)
        return Guarded([]() -> LONG { return ERROR_INVALID_PARAMETER; });
    TSubKeyHandle key{hKey};
    if (lpSubKey != nullptr && *lpSubKey != '\0') {
        const LONG rc = RegOpenKeyExA(hKey, lpSubKey, 0, KEY_QUERY_VALUE, &key.Key);
        if (rc != ERROR_SUCCESS)
            return rc;
        key.Opened = true;
    }
    DWORD size = lpcbData != nullptr ? static_cast<DWORD>(*lpcbData) : 0;
    LONG rc = RegQueryValueExA(key.Key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(lpData),
                               lpcbData != nullptr ? &size : nullptr);
    if (rc == ERROR_FILE_NOT_FOUND) {
        // A key without a default value reads as the empty string.
        rc = Guarded([&]() -> LONG { return CopyData(std::string(1, '\0'), reinterpret_cast<LPBYTE>(lpData),
                                           lpcbData != nullptr ? &size : nullptr); });
    }
    if (lpcbData != nullptr && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA))
        *lpcbData = static_cast<LONG>(size);
    return rc;
}

}  // extern "C"
