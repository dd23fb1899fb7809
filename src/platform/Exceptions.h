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

// A byte string (code page 936) as it may appear in a UTF-8 message: bytes above 127 are shown by
// their codes, since this Qt-free layer cannot convert them and must not produce broken UTF-8.
inline std::string MessageText(const std::string& bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += "\\x";
            text += hex[b >> 4];
            text += hex[b & 15];
        }
    }
    return text;
}
