// The exception classes that carry failures through the program. Messages are UTF-8.
// Qt-free, so that the text helpers and the Windows registry store build without Qt.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Silent abort: dropped by the error box without a message.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class EDBEngineError : public Exception {
public:
    using Exception::Exception;
};
