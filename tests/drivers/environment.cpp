// Driver test environment and clean-up of everything an installation leaves behind.
#include "environment.h"
#include "registration/com.h"
#include "registration/progman.h"
#include "session/mainwnd.h"
#include "session/session.h"
#include "session/workfolder.h"

static const char *const kKeys[] = {
    NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT), NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT),
    NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT), NAMESPACE_KEY("MyComputer", CLSID_ICONLINK_TEXT),
    UNINSTALL_KEY,
};

void RemoveGroup(const char *group)
{
    std::string command = std::string("[DeleteGroup(") + group + ")]";
    if (OpenGroupClient()) {
        SendGroupCommand(command.c_str());
        CloseGroupClient();
    }
    RemoveTree(GroupFolder(group));
}

static void RemoveTraces()
{
    for (const char *key : kKeys)
        DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    DeleteKeyTree(HKEY_CLASSES_ROOT, BASE_SERVER_KEY);
    DeleteKeyTree(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT));
    DeleteKeyTree(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT));
    ClearWinIniSection("NEXFER");
    RemoveGroup("NEXFER Pro");
}

void InstallEnvironment::SetUp()
{
    RemoveTraces();
    temp_ = EnterTempFolder() + "\\";
    ASSERT_EQ(1, CreateScratchFile(temp_.c_str()));
    LoadIconTitles();
}

void InstallEnvironment::TearDown()
{
    RemoveTraces();
    CloseScratchFile();
    EnterTempFolder();
}
