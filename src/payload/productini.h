// The product INI file NEXFER.ini and the sample site lists.
#ifndef NX_PRODUCTINI_H
#define NX_PRODUCTINI_H

#include <windows.h>
#include "payload/component.h"

// The product INI step of the install driver; may clear *ok (Cancel) and leave a note
// in message (cchMessage characters). siteList row 0 is the INI file itself, rows 1 to 8
// the site lists.
void InstallProductIni(const char *tempFolder, const char *destFolder, DWORD flags,
                       HWND owner, HWND statusWindow, char *message, int cchMessage, int *ok,
                       ComponentList *siteList);

#endif
