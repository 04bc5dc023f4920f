// The wizard flow run by the main window's command 100.
#ifndef NX_FLOW_H
#define NX_FLOW_H

#include <windows.h>

// 1 installed, 0 cancelled or failed; a removal returns RemovalFlow's result.
int WizardFlow(HWND owner, int proposed, int allowed);

// Proposed destination (512 characters): built-in folder, then DIR32 of the options
// file, then DIR of an earlier installation.
void ProposeDestination(char *destination);

// Replaces a "guest@unknown..." MAILADDR of destination\NEXFER.ini by the placeholder.
void UpdateMailPlaceholder(const char *destination);

#endif
