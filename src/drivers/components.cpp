// The five component lists.
#include "drivers/components.h"
#include "payload/payload.h"
#include "session/mainwnd.h"
#include "session/text.h"

// A row whose report name is its installed name, by the name's symbol in payload_rows.h.
#define FILE_ROW(name) PAYLOAD_ROW_##name, PAYLOAD_NAME_##name, PAYLOAD_NAME_##name

static ComponentEntry s_classic[] = {
    { FILE_ROW(NXF95PRO_EXE), "NEXFER Pro", 1, 1, 0, 0 },
    { FILE_ROW(NXFPRO32_DLL), "", 0, 1, 0, 0 },
    { PAYLOAD_ROW_NXFPRO32_CNT, "nxfpro32.cnt", PAYLOAD_NAME_NXFPRO32_CNT, "", 0, 0, 0, 0 },
    { FILE_ROW(NXFPRO32_HLP), g_szHelpTitle, 1, 1, 0, 0 },
};

static ComponentEntry s_explorer[] = {
    { FILE_ROW(NXFPROEX_DLL), "", 0, 1, 0, 0 },
    { FILE_ROW(NSNXFCH_DLL), "", 0, 0, 0, 0 },
    { FILE_ROW(NXFINI_DLL), "", 0, 0, 0, 0 },
    { FILE_ROW(NSNXF_CNT), "", 0, 0, 0, 0 },
    { FILE_ROW(NSNXF_HLP), g_szExplorerHelpTitle, 1, 0, 0, 0 },
    { FILE_ROW(NXFPROEX_TXT), "NEXFER Pro Explorer Release Notes", 0, 0, 0, 0 },
};

static ComponentEntry s_bonus[] = {
    { FILE_ROW(NXFSCRPT_EXE), "NEXFER Scripting Utility", 1, 1, 0, 0 },
    { FILE_ROW(NXFSCRPT_CNT), "", 0, 0, 0, 0 },
    { FILE_ROW(NXFSCRPT_HLP), "NEXFER Scripting Help", 1, 0, 0, 0 },
    { FILE_ROW(NXFSCRPT_TXT), "NEXFER Scripting Release Notes", 0, 0, 0, 0 },
    { FILE_ROW(NXFFIND_EXE), "NEXFER Find Utility", 1, 1, 0, 0 },
    { FILE_ROW(NXFFIND_CNT), "", 0, 0, 0, 0 },
    { FILE_ROW(NXFFIND_HLP), "NEXFER Find Help", 1, 0, 0, 0 },
    { FILE_ROW(NXFFIND_TXT), "NEXFER Find Release Notes", 0, 0, 0, 0 },
    { FILE_ROW(NXFSYNC_EXE), "NEXFER Synchronize Utility", 1, 1, 0, 0 },
    { FILE_ROW(NXFSYNCL_DLL), "", 0, 1, 0, 0 },
    { FILE_ROW(NXFSYNC_CNT), "", 0, 0, 0, 0 },
    { FILE_ROW(NXFSYNC_HLP), "NEXFER Synchronize Help", 1, 0, 0, 0 },
    { FILE_ROW(NXFSYNC_TXT), "NEXFER Synchronize Release Notes", 0, 0, 0, 0 },
};

static ComponentEntry s_common[] = {
    { FILE_ROW(NXFLINK_EXE), g_szIconPlacementTitle, 1, 1, 0, 0 },
    { FILE_ROW(NXFSTUB_DLL), "", 0, 1, 0, 0 },
    { FILE_ROW(NXFREM32_EXE), g_szUninstallTitle, 1, 0, 0, 0 },
    { FILE_ROW(RELNOTES_TXT), g_szRelNotesTitle, 1, 0, 0, 0 },
    { FILE_ROW(NXFLINK_HLP), "", 0, 0, 0, 0 },
    { FILE_ROW(NXFPRO32_PDF), "NEXFER Pro Manual", 1, 0, 0, 0 },
    { FILE_ROW(TERMS_WRI), "", 0, 0, 0, 0 },
    { FILE_ROW(LINKUP_WAV), "", 0, 0, 0, 0 },
    { FILE_ROW(FAULT_WAV), "", 0, 0, 0, 0 },
    { FILE_ROW(FINISH_WAV), "", 0, 0, 0, 0 },
};

static ComponentEntry s_sites[] = {
    { PAYLOAD_ROW_NEXFER_INI, "NEXFER.IN_", PAYLOAD_NAME_NEXFER_INI, "", 0, 0, 0, 0 },
    { FILE_ROW(SITES1_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES2_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES3_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES4_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES5_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES6_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES7_INI), "", 0, 0, 0, 0 },
    { FILE_ROW(SITES8_INI), "", 0, 0, 0, 0 },
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
