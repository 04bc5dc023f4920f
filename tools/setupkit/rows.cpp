// Rows of the program's own PayloadTable (generated from resources/payload.rows) by
// index or by resource name.
#include <string.h>
#include "setupkit.h"

const char *InstalledName(int index)
{
    if (index < 0 || index >= PAYLOAD_COUNT)
        return "";
    return PayloadTable[index].installedName;
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
