// Running a built setup variant as a user or a distributor would, and watching it.
#ifndef NX_E2E_H
#define NX_E2E_H

#include <windows.h>
#include <string>

struct SetupRun {
    DWORD exitCode = (DWORD)-1;
    bool ended = false;          // the program ended by itself within the time allowed
    bool showedWindow = false;   // a window of the program became visible
};

// Full path of a setup variant built beside this test program.
std::string VariantPath(const char *name);

// Starts the variant, watches its windows until it ends (or timeoutMs passes), returns
// what was seen. A program still running at the end is terminated.
SetupRun RunSetupVariant(const char *name, DWORD timeoutMs);

// The temporary folder of this prefix, with a trailing backslash.
std::string TempFolder();

#endif
