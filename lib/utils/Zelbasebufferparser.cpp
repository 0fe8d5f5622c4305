// TBaseBufferEventParser: buffer keeping, trimming and the pass loop.
#include "Zelbasebufferparser.h"

#include <algorithm>

#include "System.hpp"

namespace zelutils {

TBaseBufferEventParser::TBaseBufferEventParser(unsigned int maxMessageSize)
    : FMaxMessageSize(maxMessageSize)
{
}

TBaseBufferEventParser::~TBaseBufferEventParser() = default;

void TBaseBufferEventParser::SubmitData(const unsigned char* data, const unsigned int size)
{
    if (data == nullptr && size > 0)
        throw Exception("SubmitData : No data");
    if (size > 0)
        FBuffer.insert(FBuffer.end(), data, data + size);
    // From inside an event: the running passes will see the new bytes.
    if (FParsing)
        return;

    FParsing = true;
    try {
        Parse();
    } catch (...) {
        FParsing = false;
        CheckBufferSize();
        throw;
    }
    FParsing = false;
    CheckBufferSize();
}

void TBaseBufferEventParser::SetMaxMessageSize(unsigned int size)
{
    FMaxMessageSize = size;
    CheckBufferSize();
}

void TBaseBufferEventParser::CheckBufferSize()
{
    const std::size_t held = GetBufferSize();
    if (FMaxMessageSize > 0 && held >= FMaxMessageSize)
        DropFront(held - FMaxMessageSize + 1);
}

unsigned int TBaseBufferEventParser::GetBufferSize() const
{
    return static_cast<unsigned int>(FBuffer.size() - FFront);
}

void TBaseBufferEventParser::ClearBuffer()
{
    DropFront(GetBufferSize());
}

const unsigned char* TBaseBufferEventParser::BufferBegin() const
{
    return FBuffer.data() + FFront;
}

const unsigned char* TBaseBufferEventParser::BufferEnd() const
{
    return FBuffer.data() + FBuffer.size();
}

void TBaseBufferEventParser::PopFront(unsigned int count)
{
    DropFront(count);
}

void TBaseBufferEventParser::DropFront(std::size_t count)
{
    count = std::min<std::size_t>(count, GetBufferSize());
    if (count == 0)
        return;
    FFront += count;
    ++FDrops;
    // Move the kept bytes down only once the dropped part outweighs them, so
    // that many small messages in one buffer cost linear time.
    if (FFront == FBuffer.size()) {
        FBuffer.clear();
        FFront = 0;
    } else if (FFront >= FBuffer.size() / 2) {
        FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(FFront));
        FFront = 0;
    }
}

void TBaseBufferEventParser::RunPasses(const std::function<void()>& pass)
{
    for (;;) {
        FPassSize = GetBufferSize();
        FPassConsumed = 0;
        const unsigned long drops = FDrops;
        try {
            pass();
        } catch (...) {
            if (FDrops == drops)
                DropFront(FPassConsumed);
            throw;
        }
        if (FDrops != drops)
            continue;  // an event cut the buffer: look at what is left afresh
        if (FPassConsumed == 0)
            return;
        DropFront(FPassConsumed);
    }
}

std::size_t TBaseBufferEventParser::Find(const TByteVector& pattern, std::size_t from) const
{
    if (from > FPassSize || pattern.size() > FPassSize - from)
        return NotFound;
    const unsigned char* first = BufferBegin();
    const unsigned char* last = first + FPassSize;
    const unsigned char* hit = std::search(first + from, last, pattern.begin(), pattern.end());
    if (hit == last && !pattern.empty())
        return NotFound;
    return static_cast<std::size_t>(hit - first);
}

TByteVector TBaseBufferEventParser::Bytes(std::size_t first, std::size_t last) const
{
    return TByteVector(BufferBegin() + first, BufferBegin() + last);
}

bool TBaseBufferEventParser::Deliver(std::size_t consumed, const std::function<void()>& fire)
{
    FPassConsumed = std::max(FPassConsumed, consumed);
    const unsigned long drops = FDrops;
    fire();
    return FDrops == drops;
}

}  // namespace zelutils
