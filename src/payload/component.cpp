// The rule applied to every placed row of a component list.
#include "payload/component.h"
#include "session/text.h"

int ApplyRowRule(ComponentEntry *row, int result, char *message, int cchMessage, int *ok)
{
    row->result = result;
    if (result == 0) {
        row->status |= ROW_HANDLED;
        return 1;
    }
    if (!row->required)
        return 1;
    row->status |= ROW_FAILED;
    if (message)
        FormatText(message, cchMessage, "Failed to install required file %s.", row->reportName);
    *ok = 0;
    return 0;
}
