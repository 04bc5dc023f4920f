// Program groups and items through the shell's "PROGMAN" DDE service.
#ifndef NX_PROGMAN_H
#define NX_PROGMAN_H

#include <windows.h>

extern int g_bGroupClientOpen;

int OpenGroupClient(void);
int CreateProgramGroup(const char *group);
int SendGroupCommand(const char *command);
// Makes group the service's current group (creating it when absent), so that item
// commands that follow apply to it. 1 when the service accepted the command.
int SelectProgramGroup(const char *group);
int AddGroupItem(const char *title, const char *folder, const char *fileName, const char *commandLine);
int DeleteGroupItem(const char *title, const char *fileName);
int CloseGroupClient(void);
int CloseGroupClientAndDeleteGroup(const char *group);

#endif
