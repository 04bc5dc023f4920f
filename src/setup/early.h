// Runs that end before anything is extracted: another setup in progress, a command line
// not understood, a program whose carried files are damaged; and the one-setup-at-a-time
// guard.
#ifndef NX_EARLY_H
#define NX_EARLY_H

// Takes the machine-wide guard, held until the process ends. 0 when another run of
// this setup holds it.
int TakeSetupGuard(void);

// A flag of the options file the program carries, read where it lies in the program:
// 1 when key of [INSTALL] is present and (on 1) is word or digit, (on 0) is not.
int CarriedOptionIs(const char *key, const char *word, const char *digit, int on);

// Checks the values of /dir and /group before anything is done: the folder is made
// canonical in g_szDirSwitch, the group must be one both program-group roads can make.
// 0 when one is refused, with the switch in bad and the reason kept for the log.
int CheckSwitchValues(char *bad, int cchBad);

// Ends a run before start-up: ERROR_INSTALL_ALREADY_RUNNING, or
// ERROR_INVALID_COMMAND_LINE for argument. Quiet and logging come from the switches and
// the carried options; the log gets the ending without anything being extracted.
// Returns the exit code.
int EndBeforeStart(int code, const char *argument);

// Tells the user that the program is damaged (row: the first damaged payload row, or
// ROWS_NO_TABLE): a message box, or in a quiet run a line in the temporary folder's
// setup.log when logging is on, then the ending. Returns ERROR_INSTALL_FAILURE.
int EndDamagedProgram(int row);

#endif
