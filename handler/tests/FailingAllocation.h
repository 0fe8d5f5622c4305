// Running out of memory on demand: while a TFailingAllocation lives, every
// allocation through operator new in this process (the loaded handler
// module included) throws std::bad_alloc. Keep the scope to the one call
// under test: the test framework allocates too.
#pragma once

namespace handlertest {

class TFailingAllocation {
public:
    TFailingAllocation();
    ~TFailingAllocation();
    TFailingAllocation(const TFailingAllocation&) = delete;
    TFailingAllocation& operator=(const TFailingAllocation&) = delete;
};

}  // namespace handlertest
