// The checks of the case tables shared with the Windows test program, which has no QtTest.
#pragma once

#include <sstream>
#include <stdexcept>
#include <string>

struct CaseFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

template <class A, class B> void CheckEqual(const A& actual, const B& expected, const char* what, int line) {
    if (!(actual == expected)) {
        std::ostringstream message;
        message << "line " << line << ": " << what << ": got \"" << actual << "\", expected \"" << expected << "\"";
        throw CaseFailure(message.str());
    }
}

// Runs the statement and checks that it raises E with exactly the message.
template <class E, class F> void CheckRaises(F&& statement, const std::string& message, int line) {
    try {
        statement();
    } catch (const E& error) {
        CheckEqual(std::string(error.what()), message, "message", line);
        return;
    }
    throw CaseFailure("line " + std::to_string(line) + ": no exception, expected \"" + message + "\"");
}

#define CHECK_EQ(actual, expected) CheckEqual((actual), (expected), #actual, __LINE__)
#define CHECK_RAISES(E, statement, message) CheckRaises<E>([&] { statement; }, (message), __LINE__)
