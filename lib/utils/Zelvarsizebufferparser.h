// TVarSizeBufferEventParser: fires for payloads enclosed by a subscribed start
// marker and end marker.
//
// Per subscription and pass: both markers are looked up from the front of the
// buffer, each on its own. Only when the end marker's first occurrence lies
// after the start marker's does the message count: the event gets the start
// marker, the bytes between the markers and the end marker, and everything up
// to the end marker's end is consumed. An end marker found before the start
// marker keeps the subscription waiting until trimming to the maximum message
// size removes it. When the end marker's first occurrence lies inside the
// start marker (markers that share bytes), the end is the next occurrence
// after the start marker.
#pragma once

#include <deque>

#include "Zelbasebufferparser.h"

namespace zelutils {

class TVarSizeBufferEventParser : public TBaseBufferEventParser {
public:
    // parser, start marker, payload, end marker
    using TVarSizeBufferEvent =
        std::function<void(const TBaseBufferEventParser&, const TByteVector&, const TByteVector&,
                           const TByteVector&)>;

    struct TVarSizeBufferInfo {
        TByteVector StartPattern;
        TByteVector EndPattern;
        TVarSizeBufferEvent Event;
    };

    explicit TVarSizeBufferEventParser(unsigned int maxMessageSize);

    // Raises Exception for a null marker pointer with a non-zero length.
    void Subscribe(const unsigned char* startPattern, unsigned int startLength,
                   const unsigned char* endPattern, unsigned int endLength,
                   TVarSizeBufferEvent event);
    void Subscribe(const TByteVector& startPattern, const TByteVector& endPattern,
                   TVarSizeBufferEvent event);

protected:
    void Parse() override;

private:
    std::deque<TVarSizeBufferInfo> FSubscriptions;
};

}  // namespace zelutils
