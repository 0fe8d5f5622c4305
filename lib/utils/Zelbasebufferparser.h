// TBaseBufferEventParser: the byte buffer and the parse frame shared by the
// buffer event parsers (explicit tokens, fixed-size messages, marked
// variable-size messages).
//
// Data arrives in chunks of any size through SubmitData. The parser keeps the
// bytes, looks for the messages its clients subscribed to, calls their events
// and drops what the messages consumed. Parsing goes in passes: in one pass
// every subscription looks at the buffer as it was when the pass began, each
// one that finds its message fires at once and proposes how many bytes from
// the front it consumed; the largest proposal is dropped after the pass.
// Passes repeat until one consumes nothing.
//
// With a maximum message size set, the buffer is cut back to at most
// MaxMessageSize - 1 of its newest bytes after every submission, so a stream
// that never matches cannot grow it without bound.
//
// Events may call back into the parser. Data submitted from an event is
// appended and parsed in a later pass; emptying or cutting the buffer from an
// event ends the pass without dropping anything more. An event that throws
// still counts as delivered: its bytes, and those of the events before it,
// are dropped before the exception leaves SubmitData.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace zelutils {

using TByteVector = std::vector<unsigned char>;

class TBaseBufferEventParser {
public:
    // 0 means no maximum.
    explicit TBaseBufferEventParser(unsigned int maxMessageSize);
    virtual ~TBaseBufferEventParser();

    TBaseBufferEventParser(const TBaseBufferEventParser&) = delete;
    TBaseBufferEventParser& operator=(const TBaseBufferEventParser&) = delete;

    // Appends the bytes, parses, then trims the buffer to the maximum.
    // Raises Exception for a null pointer with a non-zero size.
    void SubmitData(const unsigned char* data, const unsigned int size);

    // Stores the maximum and trims the buffer to it at once.
    void SetMaxMessageSize(unsigned int size);
    unsigned int GetMaxMessageSize() const { return FMaxMessageSize; }
    // With a maximum set and at least that many bytes held, drops the oldest
    // bytes so that MaxMessageSize - 1 remain.
    void CheckBufferSize();

    unsigned int GetBufferSize() const;
    void ClearBuffer();
    // The held bytes, oldest first; valid until the buffer next changes.
    const unsigned char* BufferBegin() const;
    const unsigned char* BufferEnd() const;
    // Drops the oldest count bytes (all of them when fewer are held).
    void PopFront(unsigned int count);

protected:
    // One run of passes over the buffer; derived parsers implement it with
    // RunPasses, Find and Deliver.
    virtual void Parse() = 0;

    static constexpr std::size_t NotFound = static_cast<std::size_t>(-1);

    // Calls pass until one consumes nothing, dropping each pass's largest
    // proposal after it.
    void RunPasses(const std::function<void()>& pass);
    // The bytes the current pass looks at: those held when it began.
    std::size_t PassSize() const { return FPassSize; }
    // First occurrence of the pattern at or after from within the pass's
    // bytes; NotFound when there is none. An empty pattern is found at from.
    std::size_t Find(const TByteVector& pattern, std::size_t from = 0) const;
    // A copy of the pass's bytes [first, last).
    TByteVector Bytes(std::size_t first, std::size_t last) const;
    // Records that a message consumes the first consumed bytes and fires its
    // event. False when the event emptied or cut the buffer: the pass must
    // end, because the offsets it found no longer hold.
    bool Deliver(std::size_t consumed, const std::function<void()>& fire);

private:
    void DropFront(std::size_t count);

    TByteVector FBuffer;
    std::size_t FFront = 0;  // bytes before this offset are already dropped
    unsigned int FMaxMessageSize;

    bool FParsing = false;
    std::size_t FPassSize = 0;
    std::size_t FPassConsumed = 0;
    unsigned long FDrops = 0;  // counts removals from the front
};

}  // namespace zelutils
