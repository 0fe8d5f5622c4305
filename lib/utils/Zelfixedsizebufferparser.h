// TFixedSizeBufferEventParser: fires for messages that start with a subscribed
// header and have a fixed total size, header included.
//
// Per subscription and pass: when the first occurrence of the header has the
// whole message after it, the event gets the header and the bytes after it up
// to the message size, and everything up to the message's end is consumed.
// Otherwise the message may still be arriving and nothing happens. An empty
// header frames every messageSize bytes from the front.
#pragma once

#include <deque>

#include "Zelbasebufferparser.h"

namespace zelutils {

class TFixedSizeBufferEventParser : public TBaseBufferEventParser {
public:
    // parser, header, payload
    using TFixedSizeBufferEvent = std::function<void(const TBaseBufferEventParser&,
                                                     const TByteVector&, const TByteVector&)>;

    struct TFixedSizeBufferInfo {
        unsigned short MessageSize;  // header included
        TByteVector Header;
        TFixedSizeBufferEvent Event;
    };

    explicit TFixedSizeBufferEventParser(unsigned int maxMessageSize);

    // Raises Exception when the message size is 0 or smaller than the header,
    // or for a null header pointer with a non-zero length.
    void Subscribe(const unsigned char* pattern, unsigned int length, unsigned short messageSize,
                   TFixedSizeBufferEvent event);
    void Subscribe(const TByteVector& pattern, unsigned short messageSize,
                   TFixedSizeBufferEvent event);

protected:
    void Parse() override;

private:
    std::deque<TFixedSizeBufferInfo> FSubscriptions;
};

}  // namespace zelutils
