#pragma once
// Puts the program together: the meter (real or simulated, traced on request), the
// clock, the dialogs and the main window. `main` only calls `runApplication`.
#include "TfrmMain.h"

#include <memory>

namespace qx {

struct CommandLine;

// The windows the program builds for the main window's hooks.
WindowHooks programWindowHooks();

int runApplication(int argc, char **argv);

} // namespace qx
