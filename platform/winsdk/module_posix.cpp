// Modules on POSIX: dlopen, dlsym, dladdr and the generated string tables.
#include "libloaderapi.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <unistd.h>

#include "handle.h"

namespace {

thread_local std::string lastLoadError;

struct StringTableEntry {
    unsigned id;
    const char* text;
};
using StringTableFunction = const StringTableEntry* (*)(unsigned*);

DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    if (buffer == nullptr || size == 0)
        return 0;
    const DWORD n = text.size() < size ? static_cast<DWORD>(text.size()) : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return n;
}

}  // namespace

extern "C" {

HMODULE LoadLibraryA(LPCSTR fileName)
{
    void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        lastLoadError = why != nullptr ? why : "unknown error";
        SetLastError(ENOENT);
    }
    return handle;
}

BOOL FreeLibrary(HMODULE module) { return module != nullptr && ::dlclose(module) == 0; }

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    if (module == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<FARPROC>(::dlsym(module, name));
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module)
{
    if (module == nullptr)
        return FALSE;
    *module = nullptr;
    std::string file;
    if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        Dl_info info;
        if (::dladdr(name, &info) == 0 || info.dli_fname == nullptr)
            return FALSE;
        file = info.dli_fname;
    } else if (name != nullptr) {
        file = name;
    }
    void* handle = ::dlopen(file.empty() ? nullptr : file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return FALSE;
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) && !file.empty())
        ::dlclose(handle);
    *module = handle;
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    if (module == nullptr) {
        char path[4096];
        const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
        return n < 0 ? 0 : CopyOut(std::string(path, static_cast<std::size_t>(n)), fileName, size);
    }
    link_map* map = nullptr;
    if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
        return 0;
    return CopyOut(map->l_name, fileName, size);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    if (module == nullptr || name == nullptr)
        return nullptr;
    auto find = reinterpret_cast<TwsFindResourceFunction>(::dlsym(module, "TwsFindResource"));
    if (find == nullptr)
        return nullptr;
    return find(name, static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(type)));
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return resource != nullptr ? resource->bytes : nullptr; }

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    return resource != nullptr ? static_cast<DWORD>(resource->size) : 0;
}

LPVOID LockResource(HGLOBAL data) { return const_cast<void*>(data); }

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size)
{
    if (instance == nullptr || buffer == nullptr || size <= 0)
        return 0;
    auto table = reinterpret_cast<StringTableFunction>(::dlsym(instance, "TwsStringTable"));
    if (table == nullptr)
        return 0;
    unsigned count = 0;
    const StringTableEntry* entries = table(&count);
    for (unsigned i = 0; i < count; ++i)
        if (entries[i].id == id)
            return static_cast<int>(CopyOut(entries[i].text, buffer, static_cast<DWORD>(size)));
    return 0;
}
}

namespace winsdk {
const char* LastLoadError() { return lastLoadError.c_str(); }
}  // namespace winsdk
