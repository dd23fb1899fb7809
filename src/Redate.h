// The program: start-up, the choice of the main form, the event loop, program end.
#pragma once

#include <functional>

// Returns the process exit code.
int Redate();

// The creations start-up chooses between; Redate() uses the program's own forms.
struct StartupForms {
    std::function<void()> createDataModule;
    std::function<void()> createDateRepair;
    std::function<void()> createConnectionRepair;
};
// Start-up with the given creations, the event loop and program end; returns the exit code.
int RunStartup(const StartupForms& forms);
