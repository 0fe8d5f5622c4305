#include "Zelstreams.h"

namespace zelcore {

void WriteBuffer(TStream* stream, const void* buffer, int count)
{
    if (stream == nullptr)
        throw Exception("WriteBuffer: no stream");
    if (count < 0)
        throw Exception("WriteBuffer: negative count");
    if (count == 0)
        return;
    stream->WriteBuffer(buffer, count);
}

}  // namespace zelcore
