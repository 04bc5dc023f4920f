// The program-group client: one DDE client instance that sends command strings to the
// shell's "PROGMAN" service, one conversation per command.
#include <string.h>
#include "registration/progman.h"
#include <ddeml.h>
#include "registration/record.h"
#include "registration/shortcuts.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/sizes.h"
#include "session/text.h"

#define ITEM_PATH_SIZE 260
#define DDE_TIMEOUT_MS 1000

int g_bGroupClientOpen = 0;
static DWORD s_ddeInstance;
// No service answered the create-group command: items become shortcut files.
static int s_linkRoad;
// The group the items go to.
static char s_group[GROUP_SIZE];

// The client answers nothing the library passes to it.
static HDDEDATA CALLBACK GroupClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                             ULONG_PTR)
{
    return NULL;
}

static int StartGroupClient(void)
{
    // A second start ends the first instance instead of losing it.
    CloseGroupClient();
    s_ddeInstance = 0;
    if (DdeInitializeA(&s_ddeInstance, GroupClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return 0;
    g_bGroupClientOpen = 1;
    return 1;
}

int OpenGroupClient(void)
{
    return StartGroupClient();
}

// Sends one command; *connected tells whether the service answered the connection.
static int SendToService(const char *command, int *connected)
{
    HSZ service;
    HCONV conversation;
    HDDEDATA answer;

    *connected = 0;
    if (!g_bGroupClientOpen || !command)
        return 0;
    service = DdeCreateStringHandleA(s_ddeInstance, "PROGMAN", CP_WINANSI);
    if (!service)
        return 0;
    conversation = DdeConnect(s_ddeInstance, service, service, NULL);
    if (!conversation) {
        DdeFreeStringHandle(s_ddeInstance, service);
        return 0;
    }
    *connected = 1;
    answer = DdeClientTransaction((BYTE *)command, (DWORD)strlen(command) + 1, conversation, NULL,
                                  CF_TEXT, XTYP_EXECUTE, DDE_TIMEOUT_MS, NULL);
    DdeDisconnect(conversation);
    DdeFreeStringHandle(s_ddeInstance, service);
    return answer != NULL;
}

int SendGroupCommand(const char *command)
{
    int connected;

    return SendToService(command, &connected);
}

// Where the service does not answer, the same group becomes a folder of shortcut files.
static void TakeLinkRoadWhenUnanswered(const char *group, int connected)
{
    char line[GROUP_SIZE + 64];

    s_linkRoad = !connected && OpenLinkGroup(group);
    if (connected)
        CopyText(line, COUNTOF(line), "Program group over DDE");
    else if (s_linkRoad)
        FormatText(line, COUNTOF(line), "Program group as shortcut files: no DDE service, group \"%s\"", group);
    else
        FormatText(line, COUNTOF(line), "Program group not created: no DDE service, group \"%s\"", group);
    WriteLog(line);
}

int CreateProgramGroup(const char *group)
{
    char command[COMMAND_SIZE];
    int connected = 0;

    if (!StartGroupClient() || !CopyText(s_group, COUNTOF(s_group), group) || !JournalGroupItem(group, NULL))
        return 0;
    if (IsSafeGroupName(group) && FormatText(command, COUNTOF(command), "[CreateGroup(%s)]", group)) {
        SendToService(command, &connected);
        TakeLinkRoadWhenUnanswered(group, connected);
    }
    return 1;
}

static const char *TextOrEmpty(const char *text)
{
    return text ? text : "";
}

// The item's default folder and the program's full path, each cchPath characters. 0
// when either does not fit.
static int ItemPaths(const char *folder, const char *fileName, char *defaultFolder, char *fullPath,
                     int cchPath)
{
    DWORD n;

    if (folder && folder[0]) {
        if (!CopyText(defaultFolder, cchPath, folder))
            return 0;
    } else {
        n = GetCurrentDirectoryA((DWORD)cchPath, defaultFolder);
        if (n == 0 || n >= (DWORD)cchPath)
            return 0;
    }
    if (strchr(fileName, '\\'))
        return CopyText(fullPath, cchPath, fileName);
    return JoinPath(fullPath, cchPath, defaultFolder, fileName);
}

int IsSafeGroupName(const char *name)
{
    for (const unsigned char *c = (const unsigned char *)name; *c; c++) {
        if (*c < 0x20 || *c == ')' || *c == ']' || *c == '[' || *c == '"')
            return 0;
    }
    return 1;
}

// The default folder is the last, unquoted argument: a folder such as
// "C:\Program Files (x86)\NEXFER" would end it early, so such a folder is quoted.
static int FormatAddItem(char *out, int cchOut, const char *command, const char *title,
                         const char *defaultFolder)
{
    const char *quote = strpbrk(defaultFolder, "(),[]") ? "\"" : "";

    return FormatText(out, cchOut, "[AddItem(\"%s\",\"%s\",,,,,%s%s%s)]", command, title, quote,
                      defaultFolder, quote);
}

// A command "Name.{class}" is a folder junction: its shortcut opens the class's
// namespace object in Explorer. Any other item starts its program.
static int AddItemLink(const char *title, const char *defaultFolder, const char *fullPath,
                       const char *commandLine)
{
    char windows[MAX_PATH], explorer[MAX_PATH], object[COMMAND_SIZE];
    const char *junction = commandLine ? strstr(commandLine, ".{") : NULL;
    UINT n;

    if (!commandLine || !commandLine[0])
        return CreateItemLink(title, fullPath, "", defaultFolder);
    n = GetWindowsDirectoryA(windows, COUNTOF(windows));
    if (!junction || n == 0 || n >= (UINT)COUNTOF(windows) ||
        !JoinPath(explorer, COUNTOF(explorer), windows, "explorer.exe") ||
        !FormatText(object, COUNTOF(object), "::%s", junction + 1))
        return 0;
    return CreateItemLink(title, explorer, object, defaultFolder);
}

int AddGroupItem(const char *title, const char *folder, const char *fileName, const char *commandLine)
{
    char defaultFolder[ITEM_PATH_SIZE];
    char fullPath[ITEM_PATH_SIZE];
    char removeCommand[COMMAND_SIZE];
    char addCommand[COMMAND_SIZE];
    const char *command;

    fileName = TextOrEmpty(fileName);
    if (!ItemPaths(folder, fileName, defaultFolder, fullPath, ITEM_PATH_SIZE))
        return 0;
    command = commandLine && commandLine[0] ? commandLine : fullPath;
    if (!title || !title[0])
        title = fileName;
    if (!JournalGroupItem(s_group, title))
        return 0;
    if (s_linkRoad)
        return AddItemLink(title, defaultFolder, fullPath, commandLine);
    // Both commands or neither: a text that does not fit its buffer is not sent cut.
    if (!FormatText(removeCommand, COUNTOF(removeCommand), "[DeleteItem(\"%s\")]", title) ||
        !FormatAddItem(addCommand, COUNTOF(addCommand), command, title, defaultFolder))
        return 0;
    SendGroupCommand(removeCommand);
    SendGroupCommand(addCommand);
    return 1;
}

int DeleteGroupItem(const char *title, const char *fileName)
{
    char command[COMMAND_SIZE];

    if (!title || !title[0])
        title = TextOrEmpty(fileName);
    if (!FormatText(command, COUNTOF(command), "[DeleteItem(\"%s\")]", title))
        return 0;
    SendGroupCommand(command);
    return 1;
}

int CloseGroupClient(void)
{
    if (s_linkRoad)
        CloseLinkGroup();
    s_linkRoad = 0;
    if (g_bGroupClientOpen)
        DdeUninitialize(s_ddeInstance);
    g_bGroupClientOpen = 0;
    return 1;
}

int CloseGroupClientAndDeleteGroup(const char *group)
{
    char command[COMMAND_SIZE];

    if (g_bGroupClientOpen && group && lstrcmpiA(group, DEFAULT_GROUP) == 0 &&
        FormatText(command, COUNTOF(command), "[DeleteGroup(%s)]", group))
        SendGroupCommand(command);
    return CloseGroupClient();
}
