// PatternBytes: checked conversion of a pointer and length to a byte vector.
#include "Zelbufferpattern.h"

#include "System.hpp"

namespace zelutils {

TByteVector PatternBytes(const unsigned char* pattern, unsigned int length)
{
    if (pattern == nullptr && length > 0)
        throw Exception("Subscribe : No pattern bytes");
    if (length == 0)
        return TByteVector();
    return TByteVector(pattern, pattern + length);
}

}  // namespace zelutils
