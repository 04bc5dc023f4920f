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

// Appends one line to setup.log in the temporary folder when logging is on. A setup.log
// that is not a plain file with one name is not written: the log goes on in a new file
// beside it (setup-<n>.log), whose first line says why.
void WriteLog(const char *text);

// From now on nothing is logged (start-up found no usable temporary folder).
void DisableLog(void);

// The log as at the start of a run: on, under the name setup.log.
void ResetLog(void);

// Message box, or in a quiet run the text goes to the log and quietAnswer is returned.
int ShowMessage(HWND owner, const char *text, const char *caption, UINT type, int quietAnswer);

#endif
