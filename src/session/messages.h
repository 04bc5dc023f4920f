// Messages by number, inserts, the setup log, and the one place that shows a message
// box or, in a quiet run, logs its text instead.
#ifndef NX_MESSAGES_H
#define NX_MESSAGES_H

#include <windows.h>

#include "session/sizes.h"

// Loads string number into buffer (capacity in characters). 1 when loaded; 0 with the
// "%u DEBUG - Unable to load string" fallback (cut to capacity - 1) or for capacity 0.
int LoadMessage(UINT number, char *buffer, int capacity);

// Fills the %1!s! style inserts of pattern from the arguments into output (cchOutput
// characters). Returns the characters written, 0 on failure or when it does not fit.
int FormatInserts(char *output, int cchOutput, const char *pattern, ...);

// Appends one line to setup.log in the current folder when logging is on.
void WriteLog(const char *text);

// From now on nothing is logged (start-up found no usable temporary folder).
void DisableLog(void);

// Message box, or in a quiet run the text goes to the log and quietAnswer is returned.
int ShowMessage(HWND owner, const char *text, const char *caption, UINT type, int quietAnswer);

#endif
