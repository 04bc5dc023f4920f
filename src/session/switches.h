// The command line's switches, for deployment tools: quiet, log, no restart, folder,
// group, removal and help.
#ifndef NX_SWITCHES_H
#define NX_SWITCHES_H

#include <windows.h>

// Bits of g_dwSwitches.
#define SWITCH_QUIET     0x1
#define SWITCH_LOG       0x2
#define SWITCH_NORESTART 0x4
#define SWITCH_UNINSTALL 0x8
#define SWITCH_HELP      0x10
#define SWITCH_DIR       0x20
#define SWITCH_GROUP     0x40

// Room for one argument: a /dir= switch with a whole folder.
#define ARGUMENT_SIZE    (FOLDER_SIZE + 8)

// Reads every argument of commandLine (without the program's name) into g_dwSwitches,
// g_szDirSwitch and g_szGroupSwitch; "/" or "-", any letter case, an argument in double
// quotes may hold blanks. 1 when every argument is understood; else 0 with the first
// one that is not (cut to cchBad) in bad.
int ParseSwitches(const char *commandLine, char *bad, int cchBad);

// Why a switch's value was refused, for the log line after the one naming the switch;
// NULL when no reason was given.
const char *SwitchRefusal(void);
void RefuseSwitchValue(const char *reason);

// The switches win over the options file: quiet, logging, no restart.
void ApplyOptionSwitches(void);

// The box that lists the switches and the exit codes.
void ShowUsage(void);

#endif
