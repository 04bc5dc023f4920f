// Placing and deleting files, also when a running program holds them.
#ifndef NX_PLACEMENT_H
#define NX_PLACEMENT_H

#include <windows.h>

// Places row index as destFolder\fileName through the scratch file (sourceFolder only
// names where the copy comes from in the status line and the log).
// 0: placed (now or at the next start) or failed while not required;
// 1: a required file failed and the user chose Cancel (always so in a quiet run).
int InstallFile(const char *sourceFolder, const char *fileName, const char *destFolder,
                HWND owner, HWND statusWindow, int index, int required);

// Creates path and its missing parents; path is altered and restored. Nonzero on success.
int CreateFolderChain(char *path);

// 1 when CreateFolderChain made folder itself (not only its parents) in this run.
int FolderMadeThisRun(const char *folder);

// Adds a run-once command under the first free "Quorvane<n>" name. 1 on success.
int AddRunOnceCommand(const char *command);

// 1 when the file is gone; 0 when its deletion had to be scheduled; -1 when it could
// be neither deleted nor scheduled.
// message (null, or cchMessage characters) receives "failed to delete <path>".
int DeleteFileOrSchedule(const char *path, char *message, int cchMessage);

// Schedules the deletion of path (a file, or with folder set an emptied folder) at the
// next start: a run-once command, or the system's own list when the path holds a
// character the command interpreter would read. A link is never scheduled. 1 on success.
int ScheduleDeletion(const char *path, int folder);

// Writes a plain-text payload row to destPath with placeholder replaced, through the
// scratch file. 0 or -1.
int CopyWithPlaceholder(const char *destPath, const char *placeholder, const char *replacement, int index);

// 1 when folder\fileName exists and can be opened for reading.
int CanOpenForReading(const char *folder, const char *fileName);

// Pure name forms, exposed for tests.
// path up to the first ".dll" (else first ".exe", case-sensitive) of its file name,
// then suffix (".bak" or ".new"). 0 when neither occurs or the result does not fit.
int MakeReplacementName(const char *path, const char *suffix, char *out, int cchOut);

// path with the last "." of its file name and what follows replaced by ".del" (or
// ".del" appended). 0 when it does not fit.
int MakeDeletionName(const char *path, char *out, int cchOut);

// path for a command line: as it is, or between double quotes when it holds a blank.
// 0 when it does not fit.
int QuoteCommandPath(const char *path, char *out, int cchOut);

// "<systemFolder>\cmd.exe" /d /v:off /c <verb> "<path>". 0 when path holds a quote, % or !
// (the interpreter would read them), or the command does not fit.
int FormatNextStartCommand(const char *systemFolder, const char *verb, const char *path,
                           char *out, int cchOut);

// line with every placeholder replaced. 0 (out empty) when the result does not fit.
int ReplacePlaceholder(const char *line, const char *placeholder, const char *replacement,
                       char *out, int cchOut);

#endif
