// Program groups and items through the shell's "PROGMAN" DDE service.
#ifndef NX_PROGMAN_H
#define NX_PROGMAN_H

#include <windows.h>

extern int g_bGroupClientOpen;

// 1 when name holds no character that ends a command or an argument of the service
// (")", "]", "[", a double quote, a control character); such a name is never sent.
int IsSafeGroupName(const char *name);

int OpenGroupClient(void);
int CreateProgramGroup(const char *group);
int SendGroupCommand(const char *command);
int AddGroupItem(const char *title, const char *folder, const char *fileName, const char *commandLine);
int DeleteGroupItem(const char *title, const char *fileName);
int CloseGroupClient(void);
int CloseGroupClientAndDeleteGroup(const char *group);

#endif
