// Writing to the runtime's streams.
#pragma once

#include "Classes.hpp"

namespace zelcore {

// Writes exactly count bytes or raises (EWriteError from the stream, or
// Exception for a null stream or a negative count).
void WriteBuffer(TStream* stream, const void* buffer, int count);

}  // namespace zelcore
