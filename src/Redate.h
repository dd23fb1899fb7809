// The program: start-up, the choice of the main form, the event loop, program end.
#pragma once

#include <string>

// Returns the process exit code.
int Redate();

// Whether the status text that the data module left says the connection is open: exactly "OK".
bool IsConnectedStatus(const std::string& status);
