// A damaged program ends before anything is extracted. QUIET and LOGGING come from the
// options file where it lies inside the program, which the check leaves out: its own
// row may be changed by distributors, and it is parsed, never executed.
#include "payload/integrity.h"
#include "resource.h"
#include "session/messages.h"
#include "session/options.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"

#define OPTION_TEXT_SIZE 261

// Value of key in the carried options' INSTALL section; defaultValue when absent.
static void ReadCarriedOption(const char *key, const char *defaultValue, char *value, int cch)
{
    HRSRC found = FindResourceA(g_hInst, PayloadTable[PAYLOAD_OPTIONS].resourceName, PAYLOAD_RESOURCE_TYPE);
    HGLOBAL loaded = found ? LoadResource(g_hInst, found) : NULL;
    const char *text = loaded ? (const char *)LockResource(loaded) : NULL;

    if (!text || !FindOptionInText(text, SizeofResource(g_hInst, found), "INSTALL", key, value, cch))
        CopyText(value, cch, defaultValue);
}

// The log goes where every other run writes it; appending a line extracts nothing.
static void ReadCarriedQuietAndLogging(void)
{
    char value[OPTION_TEXT_SIZE], folder[MAX_PATH];

    ReadCarriedOption("QUIET", "FALSE", value, COUNTOF(value));
    g_bSilent = IsOptionValue(value, "TRUE", "1");
    ReadCarriedOption("LOGGING", "FALSE", value, COUNTOF(value));
    g_bLogging = !IsOptionValue(value, "FALSE", "0");
    if (!GetTempFolder(folder, COUNTOF(folder)) || !SetCurrentDirectoryA(folder))
        DisableLog();
}

int EndDamagedProgram(int row)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];

    ReadCarriedQuietAndLogging();
    if (row == ROWS_NO_TABLE) {
        LoadMessage(IDS_SETUP_UNCHECKED, text, COUNTOF(text));
    } else {
        LoadMessage(IDS_SETUP_DAMAGED, pattern, COUNTOF(pattern));
        if (!FormatInserts(text, COUNTOF(text), pattern, PayloadTable[row].installedName))
            CopyText(text, COUNTOF(text), pattern);
    }
    ShowMessage(NULL, text, INSTALL_CAPTION, MB_OK | MB_ICONSTOP, IDOK);
    return ERROR_INSTALL_FAILURE;
}
