// TExplicitBufferEventParser: fires when a subscribed byte token appears.
//
// Per subscription and pass: the first occurrence of the token anywhere in
// the buffer fires the event with the token and consumes everything up to and
// including it. An empty token never fires.
#pragma once

#include <deque>

#include "Zelbasebufferparser.h"

namespace zelutils {

class TExplicitBufferEventParser : public TBaseBufferEventParser {
public:
    // parser, token
    using TExplicitBufferEvent =
        std::function<void(const TBaseBufferEventParser&, const TByteVector&)>;

    struct TExplicitBufferInfo {
        TByteVector Pattern;
        TExplicitBufferEvent Event;
    };

    explicit TExplicitBufferEventParser(unsigned int maxMessageSize);

    // Subscriptions are kept in the order made; the same token may be
    // subscribed more than once. Raises Exception for a null pattern pointer
    // with a non-zero length.
    void Subscribe(const unsigned char* pattern, unsigned int length, TExplicitBufferEvent event);
    void Subscribe(const TByteVector& pattern, TExplicitBufferEvent event);

protected:
    void Parse() override;

private:
    std::deque<TExplicitBufferInfo> FSubscriptions;
};

}  // namespace zelutils
