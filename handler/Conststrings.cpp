// Reading the handler's string table.
#include "Conststrings.h"

namespace tidewash {

HMODULE HandlerModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&HandlerModule), &module);
    return module;
}

AnsiString LoadConstString(UINT id)
{
    char buffer[512];
    const int length = LoadStringA(HandlerModule(), id, buffer, sizeof buffer);
    return AnsiString(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace tidewash
