// A message sent to a window: its id and two parameters, and the result the
// handler gives back.
#pragma once

#include <cstdint>

struct TMessage {
    unsigned Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};
