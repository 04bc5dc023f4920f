// The five component lists.
#include "drivers/components.h"
#include "session/mainwnd.h"
#include "session/text.h"

static ComponentEntry s_classic[] = {
    { "nxf95pro.exe", "nxf95pro.exe", "NEXFER Pro", 1, 1, 0, 0, 0 },
    { "nxfpro32.dll", "nxfpro32.dll", "", 0, 1, 1, 0, 0 },
    { "nxfpro32.cnt", "NxfPro32.cnt", "", 0, 0, 2, 0, 0 },
    { "nxfpro32.hlp", "nxfpro32.hlp", g_szHelpTitle, 1, 1, 3, 0, 0 },
};

static ComponentEntry s_explorer[] = {
    { "nxfproex.dll", "nxfproex.dll", "", 0, 1, 4, 0, 0 },
    { "nsnxfch.dll", "nsnxfch.dll", "", 0, 0, 5, 0, 0 },
    { "nxfini.dll", "nxfini.dll", "", 0, 0, 6, 0, 0 },
    { "nsnxf.cnt", "nsnxf.cnt", "", 0, 0, 7, 0, 0 },
    { "nsnxf.hlp", "nsnxf.hlp", g_szExplorerHelpTitle, 1, 0, 8, 0, 0 },
    { "nxfproex.txt", "nxfproex.txt", "NEXFER Pro Explorer Release Notes", 0, 0, 9, 0, 0 },
};

static ComponentEntry s_bonus[] = {
    { "nxfscrpt.exe", "nxfscrpt.exe", "NEXFER Scripting Utility", 1, 1, 10, 0, 0 },
    { "nxfscrpt.cnt", "nxfscrpt.cnt", "", 0, 0, 11, 0, 0 },
    { "nxfscrpt.hlp", "nxfscrpt.hlp", "NEXFER Scripting Help", 1, 0, 12, 0, 0 },
    { "nxfscrpt.txt", "nxfscrpt.txt", "NEXFER Scripting Release Notes", 0, 0, 13, 0, 0 },
    { "nxffind.exe", "nxffind.exe", "NEXFER Find Utility", 1, 1, 14, 0, 0 },
    { "nxffind.cnt", "nxffind.cnt", "", 0, 0, 15, 0, 0 },
    { "nxffind.hlp", "nxffind.hlp", "NEXFER Find Help", 1, 0, 16, 0, 0 },
    { "nxffind.txt", "nxffind.txt", "NEXFER Find Release Notes", 0, 0, 17, 0, 0 },
    { "nxfsync.exe", "nxfsync.exe", "NEXFER Synchronize Utility", 1, 1, 18, 0, 0 },
    { "nxfsyncl.dll", "nxfsyncl.dll", "", 0, 1, 19, 0, 0 },
    { "nxfsync.cnt", "nxfsync.cnt", "", 0, 0, 20, 0, 0 },
    { "nxfsync.hlp", "nxfsync.hlp", "NEXFER Synchronize Help", 1, 0, 21, 0, 0 },
    { "nxfsync.txt", "nxfsync.txt", "NEXFER Synchronize Release Notes", 0, 0, 22, 0, 0 },
};

static ComponentEntry s_common[] = {
    { "nxflink.exe", "nxflink.exe", g_szIconPlacementTitle, 1, 1, 23, 0, 0 },
    { "nxfstub.dll", "nxfstub.dll", "", 0, 1, 24, 0, 0 },
    { "nxfrem32.exe", "nxfrem32.exe", g_szUninstallTitle, 1, 0, 25, 0, 0 },
    { "RelNotes.txt", "RelNotes.txt", g_szRelNotesTitle, 1, 0, 26, 0, 0 },
    { "nxflink.hlp", "nxflink.hlp", "", 0, 0, 27, 0, 0 },
    { "nxfpro32.pdf", "nxfpro32.pdf", "NEXFER Pro Manual", 1, 0, 28, 0, 0 },
    { "terms.wri", "terms.wri", "", 0, 0, 30, 0, 0 },
    { "linkup.wav", "linkup.wav", "", 0, 0, 32, 0, 0 },
    { "fault.wav", "fault.wav", "", 0, 0, 33, 0, 0 },
    { "finish.wav", "finish.wav", "", 0, 0, 34, 0, 0 },
};

static ComponentEntry s_sites[] = {
    { "NEXFER.IN_", "NEXFER.ini", "", 0, 0, 35, 0, 0 },
    { "sites1.ini", "sites1.ini", "", 0, 0, 36, 0, 0 },
    { "sites2.ini", "sites2.ini", "", 0, 0, 37, 0, 0 },
    { "sites3.ini", "sites3.ini", "", 0, 0, 38, 0, 0 },
    { "sites4.ini", "sites4.ini", "", 0, 0, 39, 0, 0 },
    { "sites5.ini", "sites5.ini", "", 0, 0, 40, 0, 0 },
    { "sites6.ini", "sites6.ini", "", 0, 0, 41, 0, 0 },
    { "sites7.ini", "sites7.ini", "", 0, 0, 42, 0, 0 },
    { "sites8.ini", "sites8.ini", "", 0, 0, 43, 0, 0 },
};

ComponentList g_classicList = { s_classic, COUNTOF(s_classic) };
ComponentList g_explorerList = { s_explorer, COUNTOF(s_explorer) };
ComponentList g_bonusList = { s_bonus, COUNTOF(s_bonus) };
ComponentList g_commonList = { s_common, COUNTOF(s_common) };
ComponentList g_siteList = { s_sites, COUNTOF(s_sites) };

void ResetComponentStatus(void)
{
    ComponentList *lists[] = { &g_classicList, &g_explorerList, &g_bonusList, &g_commonList, &g_siteList };

    for (int l = 0; l < COUNTOF(lists); l++) {
        for (int i = 0; i < lists[l]->count; i++) {
            lists[l]->rows[i].status = 0;
            lists[l]->rows[i].result = 0;
        }
    }
}
