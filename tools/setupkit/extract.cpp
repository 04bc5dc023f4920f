// setupkit extract and verify: every carried row expanded, to the folder under its
// installed name or to a temporary file that is checked and removed; verify compares
// the rows with the program's table of check values first.
#include <stdio.h>
#include "session/text.h"
#include "setupkit.h"

static int MakeFolder(const char *folder)
{
    DWORD attributes;

    if (CreateDirectoryA(folder, NULL))
        return 1;
    attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Expands row index to path; prints the outcome. 1 on success.
static int ExpandRowTo(const SetupImage *image, int index, const char *path)
{
    const BYTE *data;
    DWORD size, expanded, written = 0;

    if (!RowData(image, index, &data, &size)) {
        printf("row %d (%s): cannot be read\n", index, PayloadTable[index].resourceName);
        return 0;
    }
    RowForm(data, size, &expanded);
    if (!ExpandRow(data, size, path, &written)) {
        printf("row %d (%s): FAILED, %lu of %lu bytes expanded\n", index, PayloadTable[index].resourceName,
               (unsigned long)written, (unsigned long)expanded);
        DeleteFileA(path);
        return 0;
    }
    return 1;
}

int ExtractCommand(const char *program, const char *folder)
{
    char path[KIT_PATH_SIZE];
    SetupImage image;
    int result = OpenSetupImage(program, &image), failed = 0;

    if (result != KIT_OK)
        return result;
    if (!MakeFolder(folder)) {
        CloseSetupImage(&image);
        return Fail(KIT_WRITE_FAILED, "%s: cannot make the folder (error %lu)", folder, GetLastError());
    }
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (!image.carried[i])
            continue;
        if (!JoinPath(path, COUNTOF(path), folder, InstalledName(i))) {
            printf("row %d: the path in %s is too long\n", i, folder);
            failed++;
        } else if (ExpandRowTo(&image, i, path)) {
            printf("%s\n", path);
        } else {
            failed++;
        }
    }
    CloseSetupImage(&image);
    if (failed)
        return Fail(KIT_FAULTS, "%d of %d rows could not be extracted", failed, image.carriedCount);
    return KIT_OK;
}

static int VerifyOptionsRow(const SetupImage *image)
{
    OptionsCheck check;
    const BYTE *data;
    DWORD size;

    if (!RowData(image, PAYLOAD_OPTIONS, &data, &size)) {
        printf("options file: not carried\n");
        return 0;
    }
    if (!CheckOptionsText((const char *)data, size, &check)) {
        if (check.binary)
            printf("options file: FAILED, binary content\n");
        else
            printf("options file: FAILED, line %d is no section, key or comment\n", check.badLine);
        return 0;
    }
    printf("options file: parses\n");
    return 1;
}

// Row index against the check table (when the program carries one), then expanded.
// Prints what is wrong; 1 when nothing is.
static int VerifyRow(const SetupImage *image, int index, const RowCheck *checks, const char *path)
{
    const PayloadEntry &row = PayloadTable[index];

    if (checks && IsCheckedRow(index) && !image->carried[index]) {
        printf("row %d (%s) %s: MISSING\n", index, row.resourceName, row.installedName);
        return 0;
    }
    if (!image->carried[index])
        return 1;
    if (checks && IsCheckedRow(index) && !RowMatches(image->module, index, checks)) {
        printf("row %d (%s) %s: DAMAGED, does not match its check value\n", index, row.resourceName,
               row.installedName);
        return 0;
    }
    return ExpandRowTo(image, index, path);
}

// A program built before the table existed is checked by expansion only.
static const RowCheck *ReportCheckTable(const SetupImage *image)
{
    const RowCheck *checks = FindRowChecks(image->module);

    if (checks)
        printf("check values: carried; every row but the options file is compared\n");
    else
        printf("check values: none; rows are checked by expansion only\n");
    return checks;
}

int VerifyCommand(const char *program)
{
    char folder[KIT_PATH_SIZE], path[KIT_PATH_SIZE];
    SetupImage image;
    int result = OpenSetupImage(program, &image), failed = 0;
    DWORD n = GetTempPathA(COUNTOF(folder), folder);
    const RowCheck *checks;

    if (result != KIT_OK)
        return result;
    if (n == 0 || n >= (DWORD)COUNTOF(folder) || !GetTempFileNameA(folder, "nxv", 0, path)) {
        CloseSetupImage(&image);
        return Fail(KIT_WRITE_FAILED, "no temporary file for the expansion (error %lu)", GetLastError());
    }
    checks = ReportCheckTable(&image);
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (!VerifyRow(&image, i, checks, path))
            failed++;
    }
    DeleteFileA(path);
    if (!VerifyOptionsRow(&image))
        failed++;
    printf("%d rows checked\n", image.carriedCount);
    CloseSetupImage(&image);
    if (failed)
        return Fail(KIT_FAULTS, "%s: %d faults", program, failed);
    return KIT_OK;
}
