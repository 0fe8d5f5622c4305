// The registry's error sentences on Windows: the system's own messages.
#include "RegistryErrorText.h"

#include "SysUtils.hpp"

namespace twsregistry {

std::string ErrorText(LONG code)
{
    const std::string sentence = SysErrorMessage(static_cast<int>(code));
    return sentence.empty() ? "Registry error " + std::to_string(code) + "." : sentence;
}

}  // namespace twsregistry
