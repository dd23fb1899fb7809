// The program: start-up, the choice of the main form, the event loop, program end.
#pragma once

// Returns the process exit code.
int Redate();
