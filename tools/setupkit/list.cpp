// setupkit list: every carried row with its sizes and form, the options file's active
// sections, and whether the program carries the table of check values.
#include <stdio.h>
#include "setupkit.h"

static void PrintRow(const SetupImage *image, int index)
{
    const BYTE *data;
    DWORD size, expanded;
    int form;

    if (!RowData(image, index, &data, &size)) {
        printf("%4d  %-11s %-14s  (cannot be read)\n", index, PayloadTable[index].resourceName,
               InstalledName(index));
        return;
    }
    form = RowForm(data, size, &expanded);
    printf("%4d  %-11s %-14s %9lu %9lu  %s\n", index, PayloadTable[index].resourceName, InstalledName(index),
           (unsigned long)size, (unsigned long)expanded, form == ROW_SZDD ? "SZDD" : "plain");
}

static void PrintOptionsSummary(const SetupImage *image)
{
    OptionsCheck check;
    const BYTE *data;
    DWORD size;

    if (!RowData(image, PAYLOAD_OPTIONS, &data, &size)) {
        printf("options file: not carried\n");
        return;
    }
    if (!CheckOptionsText((const char *)data, size, &check)) {
        printf("options file: not an INI file (%s)\n", check.binary ? "binary content" : "see verify");
        return;
    }
    printf("options file: active sections:%s%s%s\n", check.install ? " INSTALL" : "",
           check.nexfer ? " NEXFER" : "", check.install || check.nexfer ? "" : " none");
}

int ListCommand(const char *program)
{
    SetupImage image;
    int result = OpenSetupImage(program, &image);

    if (result != KIT_OK)
        return result;
    printf("%s: %d payload rows%s\n", program, image.carriedCount, image.securitySize ? ", signed" : "");
    printf(" row  resource    installed name    stored  expanded  form\n");
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (image.carried[i])
            PrintRow(&image, i);
    }
    if (image.foreignCount)
        printf("%d other EXE resources are no payload row\n", image.foreignCount);
    PrintOptionsSummary(&image);
    printf("check values: %s\n", FindRowChecks(image.module) ? "carried" : "none (checked by expansion only)");
    CloseSetupImage(&image);
    return KIT_OK;
}
