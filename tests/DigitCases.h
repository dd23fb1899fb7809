// Cases of the digit code, shared by the Qt test and the Windows test program. Qt-free.
#pragma once

#include <string>
#include <vector>

struct DigitCase {
    const char* name;
    std::string coded;
    std::string clear; // what decoding gives; for cases without error also what encodes to coded
    bool encodes;      // encoding clear gives coded (texts encoding never writes are decode-only)
    const char* error; // the EConvertError message, or null
};

inline const std::vector<DigitCase> DigitCases = {
    {"empty", "", "", true, nullptr},
    {"abc", "340334043407", "abc", true, nullptr},
    {"byte 0", "0000", std::string(1, '\0'), true, nullptr},
    {"byte 255", "7777", "\xFF", true, nullptr},
    {"zero byte inside", "340300003407", std::string("a\0c", 3), true, nullptr},
    {"Chinese character (two bytes)", "73337033", "\xD5\xC5", true, nullptr},
    {"three digits", "333", "", false, nullptr},
    {"five digits", "33333", "", false, nullptr},
    {"six digits", "333333", "", false, nullptr},
    {"length test before the letter", "34a", "", false, nullptr},
    {"2222 is U", "2222", "U", false, nullptr},
    {"9999 wraps to T", "9999", "T", false, nullptr},
    {"8000 wraps to 0", "8000", std::string(1, '\0'), false, nullptr},
    {"1111 is byte 0", "1111", std::string(1, '\0'), false, nullptr},
    {"letter", "34a3", "", false, "'a' is not a valid integer value"},
    {"blank", "34 3", "", false, "' ' is not a valid integer value"},
    {"minus", "3-33", "", false, "'-' is not a valid integer value"},
    {"plus", "+333", "", false, "'+' is not a valid integer value"},
    {"dollar", "$333", "", false, "'$' is not a valid integer value"},
    {"control character", "\t333", "", false, "'\t' is not a valid integer value"},
    {"first offender named", "3403b3a3", "", false, "'b' is not a valid integer value"},
    {"byte above 127", "33\xD5\xC5", "", false, "'\\xD5' is not a valid integer value"},
};

#include "Check.h"
#include "platform/Exceptions.h"
#include "unGlobal.h"

inline void RunDigitCase(const DigitCase& c) {
    if (c.error) {
        CHECK_RAISES(EConvertError, DecodeDigits(c.coded), c.error);
        return;
    }
    CHECK_EQ(DecodeDigits(c.coded), c.clear);
    if (c.encodes)
        CHECK_EQ(EncodeDigits(c.clear), c.coded);
}

// Every byte value survives the way there and back.
inline void RunDigitRoundTrip() {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string coded = EncodeDigits(all);
    CHECK_EQ(coded.size(), all.size() * 4);
    CHECK_EQ(coded.find_first_not_of("0347"), std::string::npos);
    CHECK_EQ(DecodeDigits(coded), all);
}
