// The runtime's own exceptions, raised by the process helpers.
#pragma once

#include "System.hpp"

namespace zelcore {

// An anonymous pipe could not be created.
class ECreateAnonymousPipe : public Exception {
public:
    ECreateAnonymousPipe() : Exception("Unable to create anonymous pipe.") {}
};

// A process could not be created; the message is the system's error text.
class ECreateProcess : public Exception {
public:
    explicit ECreateProcess(const AnsiString& message) : Exception(message) {}
};

// The operating system is not one the helpers support.
class EInvalidOSVersion : public Exception {
public:
    explicit EInvalidOSVersion(const AnsiString& message) : Exception(message) {}
};

}  // namespace zelcore
