// The runtime's basic types: AnsiString, TDateTime and the base Exception.
//
// AnsiString is std::string. Its bytes are in the system ANSI code page,
// which on POSIX is UTF-8; file names are kept as the bytes the file system
// has, valid UTF-8 or not.
#pragma once

#include <stdexcept>
#include <string>

using AnsiString = std::string;

// Days since 1899-12-30 00:00, the time of day as the fraction. For dates
// before the epoch the fraction still counts forward from midnight: -1.25 is
// 1899-12-29 06:00.
struct TDateTime {
    double Val = 0.0;

    constexpr TDateTime() = default;
    constexpr TDateTime(double value) : Val(value) {}
    constexpr operator double() const { return Val; }
};

// The base of every error the libraries raise; it carries one message.
class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
    const AnsiString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    AnsiString FMessage;
};

// A text that does not convert to the requested type.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A list index out of range.
class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// A stream or file that cannot be created, opened, read or written.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// An INI file that cannot be written.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};
