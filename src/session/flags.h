// What an installation is asked to do and what it achieved, shared by the wizard, the
// drivers and the steps they call.
#ifndef NX_FLAGS_H
#define NX_FLAGS_H

// InstallFlags
#define INSTALL_CLASSIC   0x1
#define INSTALL_EXPLORER  0x2
#define INSTALL_BONUS     0x4
#define INSTALL_ANY       0xF
#define INSTALL_QUIET     0x10000000
#define REMOVE_ALL        15

// InstallOutcome
#define OUTCOME_SUCCEEDED           0x1
#define OUTCOME_ITEM_CREATED        0x2
#define OUTCOME_BASE_REGISTERED     0x4
#define OUTCOME_FAILED              0x8
// Installed, but the product INI file or the uninstall entry was not written.
#define OUTCOME_INCOMPLETE          0x20
#define OUTCOME_EXPLORER_REGISTERED 0x10000

#endif
