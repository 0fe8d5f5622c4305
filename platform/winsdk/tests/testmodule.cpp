// A module that finds itself and reads its own string table.
#include <libloaderapi.h>

extern "C" __attribute__((visibility("default"))) int TestModuleString(unsigned id, char* buffer, int size)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&TestModuleString), &self))
        return -1;
    return LoadStringA(self, id, buffer, size);
}
