// TUnknown: its destructor, the one virtual function it adds to IUnknown.
#include "Zelbasicintf.h"

namespace zelcom {

TUnknown::~TUnknown() = default;

}  // namespace zelcom
