#pragma once
// The error classes raised through the program. Every error that reaches the top level is
// shown in an error box (see Messages.h) and the program keeps running.
#include <stdexcept>
#include <string>

namespace platform {

// Base of all errors the program raises on purpose; what() is the text shown to the user.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& text) : std::runtime_error(text) {}
};

// A damaged or truncated stream (the archive reader's errors).
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A file that exists but cannot be opened: "Cannot open file \"PATH\". REASON".
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// Registry failures: "Failed to set data for 'NAME'", "Invalid data type for 'NAME'".
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

} // namespace platform
