// Installed names of the payload rows, by index: the product folder's names that
// resources/payload.cmake packs, and the component lists' names for rows this release
// does not carry. Resource names come from the program's own PayloadTable.
#include <string.h>
#include "setupkit.h"

static const char *const s_installedNames[PAYLOAD_COUNT] = {
    "nxf95pro.exe", "nxfpro32.dll", "NxfPro32.cnt", "nxfpro32.hlp", "nxfproex.dll",
    "nsnxfch.dll", "nxfini.dll", "nsnxf.cnt", "nsnxf.hlp", "nxfproex.txt",
    "nxfscrpt.exe", "nxfscrpt.cnt", "nxfscrpt.hlp", "nxfscrpt.txt", "nxffind.exe",
    "nxffind.cnt", "nxffind.hlp", "nxffind.txt", "nxfsync.exe", "nxfsyncl.dll",
    "nxfsync.cnt", "nxfsync.hlp", "nxfsync.txt", "nxflink.exe", "nxfstub.dll",
    "nxfrem32.exe", "RelNotes.txt", "nxflink.hlp", "nxfpro32.pdf", "",
    "terms.wri", "", "linkup.wav", "fault.wav", "finish.wav",
    "NEXFER.ini", "sites1.ini", "sites2.ini", "sites3.ini", "sites4.ini",
    "sites5.ini", "sites6.ini", "sites7.ini", "sites8.ini", "Install.ini",
};

const char *InstalledName(int index)
{
    if (index < 0 || index >= PAYLOAD_COUNT)
        return "";
    return s_installedNames[index];
}

// Resource names compare without regard to case, as FindResource compares them.
int FindRowByResource(const char *name)
{
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (PayloadTable[i].resourceName[0] && lstrcmpiA(PayloadTable[i].resourceName, name) == 0)
            return i;
    }
    return -1;
}
