// The registry's error sentences on Windows: the system's own messages.
#include "RegistryErrorText.h"

namespace twsregistry {

std::string ErrorText(LONG code)
{
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string sentence = n ? std::string(text, n) : "Registry error " + std::to_string(code) + ".";
    ::LocalFree(text);
    while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == '\r' || sentence.back() == ' '))
        sentence.pop_back();
    return sentence;
}

}  // namespace twsregistry
