// Byte patterns given as pointer and length, as the parsers' Subscribe
// overloads take them.
#pragma once

#include "Zelbasebufferparser.h"

namespace zelutils {

// The bytes as a vector; raises Exception for a null pointer with a non-zero
// length.
TByteVector PatternBytes(const unsigned char* pattern, unsigned int length);

}  // namespace zelutils
