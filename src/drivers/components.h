// The component lists: what is installed under which name, with which program item,
// how required, and how it went in this run.
#ifndef NX_COMPONENTS_H
#define NX_COMPONENTS_H

#include <windows.h>

// InstallFlags
#define INSTALL_CLASSIC   0x1
#define INSTALL_EXPLORER  0x2
#define INSTALL_BONUS     0x4
#define INSTALL_ANY       0xF
#define INSTALL_QUIET     0x10000000
#define REMOVE_ALL        15

// InstallOutcome
#define OUTCOME_SUCCEEDED         0x1
#define OUTCOME_ITEM_CREATED      0x2
#define OUTCOME_BASE_REGISTERED   0x4
#define OUTCOME_FAILED            0x8
#define OUTCOME_EXPLORER_REGISTERED 0x10000

// Row status bits
#define ROW_HANDLED     0x1
#define ROW_ITEM        0x2
#define ROW_REGISTERED  0x4
#define ROW_FAILED      0x8

#define DRIVER_MESSAGE_SIZE 256

struct ComponentEntry {
    const char *reportName;
    const char *installedName;
    const char *title;   // program item title; "" lets the service use the file name
    int item;
    int required;
    int payload;
    int status;
    int result;
};

struct ComponentList {
    ComponentEntry *rows;
    int count;
};

extern ComponentList g_classicList;
extern ComponentList g_explorerList;
extern ComponentList g_bonusList;
extern ComponentList g_commonList;
extern ComponentList g_siteList;

// Row indices the drivers address directly.
#define CLASSIC_ROW_PROGRAM  0
#define CLASSIC_ROW_CORE     1
#define EXPLORER_ROW_DLL     0
#define EXPLORER_ROW_SUPPORT 1
#define EXPLORER_ROW_INI     2
#define COMMON_ROW_STUB      1

// Records InstallFile's result in the row. 1 to go on with the list; 0 when a required
// row failed (*ok cleared, the reason in message).
int ApplyRowRule(ComponentEntry *row, int result, char *message, int *ok);

// Clears the per-run status of every row (a fresh run, a fresh test).
void ResetComponentStatus(void);

#endif
