// The journal of an installation run: every change to the product folder is recorded
// before it is made, so that a run that fails or is cancelled can take each one back,
// and a run that succeeds can let go of the earlier copies it kept aside.
#ifndef NX_JOURNAL_H
#define NX_JOURNAL_H

#include <windows.h>

// Under HKEY_LOCAL_MACHINE, 64-bit view: the journal while a run goes on, and where a
// journal that may not be applied is kept instead.
#define JOURNAL_KEY       "Software\\NEXFER Pro Setup Journal"
#define JOURNAL_ASIDE_KEY "Software\\NEXFER Pro Setup Journal (refused)"

// Room for the changes of one run: every row, its folders and restart arrangements.
#define JOURNAL_SIZE 160

// Starts an empty journal; changes are recorded from now on.
void JournalBegin(void);
// 1 while a journal is kept (between JournalBegin and JournalKeep or JournalTakeBack).
int JournalActive(void);
int JournalCount(void);

// Each records one change that is about to be made. 1 when recorded, or when no journal
// is kept; 0 when the journal is full, and then the change must not be made.
int JournalCreated(const char *path);
int JournalFolder(const char *path);
int JournalMoved(const char *from, const char *to);
// The held file path was renamed to backup and a new one takes its name.
int JournalBackup(const char *path, const char *backup);
// A value of HKEY_LOCAL_MACHINE\keyPath that runs a command at the next start.
int JournalRunOnceValue(const char *keyPath, const char *name);
// Before a registry value of root is written (name NULL: the key's default value): the
// key when it is new to this run (its highest missing level that is still the product's
// own), otherwise the value's earlier data and type, or that it had none.
int JournalRegValue(HKEY root, const char *keyPath, const char *name);
// Before a key of the WIN.INI section is written: its earlier text, or that it had none.
int JournalProfileKey(const char *section, const char *key);
// Before a program group is made, and before an item is added to it (title NULL: the
// group). Only a group or item that is not there yet is recorded.
int JournalGroupItem(const char *group, const char *title);
// Before the DLL name of folder registers itself: taken back by its DllUnregisterServer
// when this run placed it new, else by its DllRegisterServer once the earlier one is back.
int JournalRegistered(const char *folder, const char *name);
// A working file of the run beside the product's files, recorded once.
int JournalWorkFile(const char *path);
// The destination settled: the journal is kept on disk from now on, under the product's
// own key, so that the next run can take back what a killed one did.
void JournalDestination(const char *folder);
// The journal on disk is flushed at the end of each phase of an installation.
void JournalFlush(void);
// A journal left on disk by a run that did not end is checked and taken back, or, when
// it is damaged or not the product's own, moved aside; each told once. 1 when taken back.
int JournalRecover(void);

// 1 when this run took back all of a killed run's journal.
int JournalRecovered(void);

// The last change recorded was not made after all.
void JournalForget(void);
// The last change recorded is taken back and forgotten (a step that failed half-way).
// 0 when it could not be taken back: it stays recorded for the run's take-back.
int JournalUndoLast(void);

// Keeps the earlier file at path aside under a free name in its own folder (a rename,
// never a copy) and records it; that name goes to aside when it is not NULL. 1 when
// path is free now; 0 with the system's error (or when no journal is kept).
int JournalSetAside(const char *path, char *aside, int cchAside);

// Success: the kept-aside copies are deleted (one still in use at the next start) and
// the journal ends.
void JournalKeep(void);

// "The earlier X is kept as Y." for a kept-aside copy that could not be put back (the
// last one), empty when there is none.
const char *JournalLostNote(void);

// Failure: every change is taken back, newest first; each step is logged, then
// "Rolled back N changes". Returns the number of changes that could not be taken back.
int JournalTakeBack(void);

#endif
