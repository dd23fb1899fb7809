// Shared state of the program and the digit code of stored credentials. Qt-free.
#pragma once

#include <string>

// The status of start-up's connection attempt; "OK" once the connection is open. UTF-8.
extern std::string StatusText;
