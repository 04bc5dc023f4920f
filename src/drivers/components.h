// The component lists: what is installed under which name, with which program item,
// how required, and how it went in this run.
#ifndef NX_COMPONENTS_H
#define NX_COMPONENTS_H

#include "payload/component.h"
#include "session/flags.h"
#include "session/sizes.h"

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

// Clears the per-run status of every row (a fresh run, a fresh test).
void ResetComponentStatus(void);

#endif
