// One product file as the installation places, registers and lists it, and the rule
// applied to every placed row. The component lists themselves belong to the drivers.
#ifndef NX_COMPONENT_H
#define NX_COMPONENT_H

// Row status bits
#define ROW_HANDLED     0x1
#define ROW_ITEM        0x2
#define ROW_REGISTERED  0x4
#define ROW_FAILED      0x8

struct ComponentEntry {
    int payload;         // the PayloadTable row
    const char *reportName;
    const char *installedName;
    const char *title;   // program item title; "" lets the service use the file name
    int item;
    int required;
    int status;          // filled during the run
    int result;
};

struct ComponentList {
    ComponentEntry *rows;
    int count;
};

// Records InstallFile's result in the row. 1 to go on with the list; 0 when a required
// row failed (*ok cleared, the reason in message, cchMessage characters).
int ApplyRowRule(ComponentEntry *row, int result, char *message, int cchMessage, int *ok);

#endif
