// The program group as shortcut files in the all-users Start-menu programs folder, for
// a system where the shell's program-group service does not answer.
#ifndef NX_SHORTCUTS_H
#define NX_SHORTCUTS_H

// 1 when a group name is one folder name: no separator, no drive, nothing the file
// system refuses, not "." or "..".
int IsPlainFolderName(const char *name);

// The longest title of a program item the installation makes ("NEXFER Synchronize Utility").
#define LONGEST_ITEM_TITLE 26

// Why neither road can make the group name (the service's commands, a folder of the
// programs folder with every item's shortcut file within MAX_PATH); NULL when both can.
const char *GroupNameFault(const char *name);

// Creates the group's folder under the all-users programs folder and makes it the
// folder of the next CreateItemLink calls. 1 when the folder exists.
int OpenLinkGroup(const char *group);

// One shortcut "title.lnk" in the open group: target with its arguments, started in
// workFolder. 1 when saved.
int CreateItemLink(const char *title, const char *target, const char *arguments, const char *workFolder);

void CloseLinkGroup(void);

// Deletes "title.lnk" from the group's folder under the all-users and the user's
// programs folders.
void DeleteGroupLink(const char *group, const char *title);

// 1 when the group has a folder (all users or this user) and every such folder is empty.
int GroupFoldersEmpty(const char *group);

// Removes the group's folders (all users, this user) that are empty.
// 1 when the group's folder (title NULL) or its item's shortcut file is in either
// programs folder, the all-users one or the user's.
int GroupLinkExists(const char *group, const char *title);
void RemoveEmptyGroupFolders(const char *group);

#endif
