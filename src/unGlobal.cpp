// StatusText, the digit code of stored credentials, and the trimming of stored texts.
#include "unGlobal.h"

#include "platform/Exceptions.h"

std::string StatusText;

std::string EncodeDigits(std::string clear) {
    static constexpr char alphabet[] = {'0', '3', '4', '7'};
    std::string coded;
    coded.reserve(clear.size() * 4);
    for (const char c : clear) {
        const auto b = static_cast<unsigned char>(c);
        for (int shift = 6; shift >= 0; shift -= 2)
            coded += alphabet[(b >> shift) & 3];
    }
    return coded;
}

std::string DecodeDigits(std::string coded) {
    std::string clear;
    if (coded.size() % 4 != 0)
        return clear;
    clear.reserve(coded.size() / 4);
    for (std::size_t group = 0; group < coded.size(); group += 4) {
        unsigned sum = 0;
        for (std::size_t i = group; i < group + 4; ++i) {
            const auto c = static_cast<unsigned char>(coded[i]);
            if (c < '0' || c > '9')
                // A byte above 127 on its own is no character of any encoding: MessageText shows its code.
                throw EConvertError("'" + MessageText(std::string(1, coded[i])) + "' is not a valid integer value");
            sum = sum * 4 + (c - '0') / 2;
        }
        clear += static_cast<char>(sum & 0xFF);
    }
    return clear;
}

std::string TrimBytes(std::string text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t end = text.size();
    while (end > 0 && blank(text[end - 1]))
        --end;
    std::size_t begin = 0;
    while (begin < end && blank(text[begin]))
        ++begin;
    return text.substr(begin, end - begin);
}
