// Finish notices of installation and removal, and the restart of Windows.
#ifndef NX_FINISH_H
#define NX_FINISH_H

#include <windows.h>

enum FinishNotice {
    NOTICE_INSTALL_FAILED,   // detail: the driver's failure text (logged in a quiet run)
    NOTICE_INSTALL_DONE,     // detail: the driver's note; restart question when g_bNeedReboot is set
    NOTICE_REMOVE_NORECORD,
    NOTICE_REMOVE_DONE,
    NOTICE_REMOVE_LEFTOVER,  // detail: the installation folder
    NOTICE_REMOVE_RESTART,
    NOTICE_REMOVE_FAILED     // detail: what was left, or the refused folder
};

void ShowFinishNotice(HWND owner, int notice, const char *detail);
// 1 when Windows accepted the restart request.
int RestartWindows(void);

// Tests only: with the dry run on, RestartWindows does everything but the restart
// itself and counts the request. Off by default.
void SetRestartDryRun(int on);
int RestartRequestCount(void);

#endif
