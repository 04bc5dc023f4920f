// setupkit options: replaces the carried options file. The change is made on a copy
// beside the output, checked, and only then moved over the output, so a failure
// leaves no half-written program behind.
#include <stdio.h>
#include <string.h>
#include "session/text.h"
#include "setupkit.h"

static char s_options[OPTIONS_FILE_LIMIT];

// Reads and checks the new options file into s_options. KIT_OK or KIT_BAD_OPTIONS.
static int ReadOptionsFile(const char *path, DWORD *size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD high = 0, low;
    OptionsCheck check;
    int ok;

    if (file == INVALID_HANDLE_VALUE)
        return Fail(KIT_BAD_OPTIONS, "%s: cannot be read (error %lu)", path, GetLastError());
    low = GetFileSize(file, &high);
    if (high != 0 || low > sizeof(s_options)) {
        CloseHandle(file);
        return Fail(KIT_BAD_OPTIONS, "%s: larger than %d bytes, not an options file", path, OPTIONS_FILE_LIMIT);
    }
    ok = ReadFile(file, s_options, low, size, NULL) && *size == low;
    CloseHandle(file);
    if (!ok)
        return Fail(KIT_BAD_OPTIONS, "%s: cannot be read (error %lu)", path, GetLastError());
    // Windows' profile functions would take the mark as part of the first section's name.
    if (*size >= 3 && memcmp(s_options, "\xEF\xBB\xBF", 3) == 0) {
        *size -= 3;
        memmove(s_options, s_options + 3, *size);
        printf("%s: UTF-8 byte order mark removed\n", path);
    }
    if (!CheckOptionsText(s_options, *size, &check)) {
        if (check.binary)
            return Fail(KIT_BAD_OPTIONS, "%s: not an INI file (binary content)", path);
        return Fail(KIT_BAD_OPTIONS, "%s: not an INI file (line %d is no [section], key=value or ;comment)",
                    path, check.badLine);
    }
    if (!check.install && !check.nexfer)
        return Fail(KIT_BAD_OPTIONS, "%s: has neither an [INSTALL] nor a [NEXFER] section", path);
    return KIT_OK;
}

// Creates the copy of program in the output's folder. KIT_OK or KIT_WRITE_FAILED.
static int MakeWorkingCopy(const char *program, const char *output, char *copy)
{
    char folder[KIT_PATH_SIZE];
    char *namePart = NULL;
    DWORD n = GetFullPathNameA(output, COUNTOF(folder), folder, &namePart);
    DWORD attributes = GetFileAttributesA(output);

    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(KIT_WRITE_FAILED, "%s: is a folder; nothing was written", output);
    // Checked here: Wine's MoveFileExA replaces a read-only file where Windows refuses.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return Fail(KIT_WRITE_FAILED, "%s: is read-only; nothing was written", output);
    if (n == 0 || n >= (DWORD)COUNTOF(folder) || !namePart)
        return Fail(KIT_WRITE_FAILED, "%s: not a usable output name", output);
    *namePart = '\0';
    if (!GetTempFileNameA(folder, "nxk", 0, copy))
        return Fail(KIT_WRITE_FAILED, "%s: cannot write in this folder (error %lu)", folder, GetLastError());
    if (!CopyFileA(program, copy, FALSE) || !SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL)) {
        DWORD error = GetLastError();
        DeleteFileA(copy);
        return Fail(KIT_WRITE_FAILED, "%s: cannot copy it beside %s (error %lu)", program, output, error);
    }
    return KIT_OK;
}

static int ReplaceOptionsRow(const char *copy, DWORD size, WORD language)
{
    HANDLE update = BeginUpdateResourceA(copy, FALSE);

    if (!update)
        return Fail(KIT_WRITE_FAILED, "%s: cannot be updated (error %lu)", copy, GetLastError());
    if (!UpdateResourceA(update, PAYLOAD_RESOURCE_TYPE, PayloadTable[PAYLOAD_OPTIONS].resourceName, language, s_options, size)) {
        DWORD error = GetLastError();
        EndUpdateResourceA(update, TRUE);
        return Fail(KIT_WRITE_FAILED, "%s: the options row cannot be replaced (error %lu)", copy, error);
    }
    if (!EndUpdateResourceA(update, FALSE))
        return Fail(KIT_WRITE_FAILED, "%s: the update cannot be written (error %lu)", copy, GetLastError());
    return KIT_OK;
}

// 1 when row index holds the same bytes in both programs.
static int SameRow(const SetupImage *a, const SetupImage *b, int index)
{
    const BYTE *dataA, *dataB;
    DWORD sizeA, sizeB;

    if (!RowData(a, index, &dataA, &sizeA) || !RowData(b, index, &dataB, &sizeB))
        return 0;
    return sizeA == sizeB && memcmp(dataA, dataB, sizeA) == 0;
}

// 1 when both programs carry the same table of check values, or neither carries one.
static int SameChecks(const SetupImage *a, const SetupImage *b)
{
    const RowCheck *checksA = FindRowChecks(a->module), *checksB = FindRowChecks(b->module);

    if (!checksA || !checksB)
        return checksA == checksB;
    return memcmp(checksA, checksB, PAYLOAD_COUNT * sizeof(RowCheck)) == 0;
}

// The copy must carry the new options file, every other row and the check values
// unchanged: the table leaves the options file out, so it stays valid.
static int CheckCopy(const char *program, const char *copy, DWORD size)
{
    SetupImage before, after;
    const BYTE *data;
    DWORD carriedSize;
    int ok = 1;

    if (OpenSetupImage(program, &before) != KIT_OK)
        return KIT_BAD_PROGRAM;
    if (OpenSetupImage(copy, &after) != KIT_OK) {
        CloseSetupImage(&before);
        return Fail(KIT_WRITE_FAILED, "the updated copy cannot be read back");
    }
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (i != PAYLOAD_OPTIONS && before.carried[i] != after.carried[i])
            ok = 0;
        else if (i != PAYLOAD_OPTIONS && before.carried[i] && !SameRow(&before, &after, i))
            ok = 0;
    }
    if (!RowData(&after, PAYLOAD_OPTIONS, &data, &carriedSize) || carriedSize != size ||
        memcmp(data, s_options, size) != 0 || !SameChecks(&before, &after))
        ok = 0;
    CloseSetupImage(&before);
    CloseSetupImage(&after);
    return ok ? KIT_OK : Fail(KIT_WRITE_FAILED, "the updated copy does not carry the expected rows");
}

// Refuses a program without an options row, and a signed one unless forced.
static int CheckTailorable(const char *program, int force, WORD *language, int *isSigned)
{
    SetupImage image;
    int result = OpenSetupImage(program, &image);

    if (result != KIT_OK)
        return result;
    *language = image.optionsLanguage;
    *isSigned = image.securitySize != 0;
    if (!image.carried[PAYLOAD_OPTIONS])
        result = Fail(KIT_NO_PAYLOAD, "%s: carries no options file (row %d, %s)", program, PAYLOAD_OPTIONS,
                      PayloadTable[PAYLOAD_OPTIONS].resourceName);
    else if (*isSigned && !force)
        result = Fail(KIT_SIGNED, "%s: is signed and a change would break its signature; tailor the "
                      "unsigned program and sign it last, or pass --force", program);
    CloseSetupImage(&image);
    return result;
}

// A forced change drops the signature, which could no longer match: the result is an
// unsigned program that can be signed again.
static int ChangeCopy(const char *program, const char *copy, DWORD size, WORD language, int isSigned)
{
    int result;

    if (isSigned && !RemoveSignature(copy))
        return Fail(KIT_WRITE_FAILED, "%s: its signature cannot be removed", program);
    result = ReplaceOptionsRow(copy, size, language);
    if (result == KIT_OK)
        result = CheckCopy(program, copy, size);
    if (result == KIT_OK && isSigned)
        fprintf(stderr, "setupkit: warning: the signature of %s was removed; sign the result again\n", program);
    return result;
}

int OptionsCommand(const char *program, const char *options, const char *output, int force)
{
    char copy[KIT_PATH_SIZE];
    WORD language;
    DWORD size = 0;
    int isSigned = 0;
    int result = CheckTailorable(program, force, &language, &isSigned);

    if (result == KIT_OK)
        result = ReadOptionsFile(options, &size);
    if (result == KIT_OK)
        result = MakeWorkingCopy(program, output, copy);
    if (result != KIT_OK)
        return result;
    result = ChangeCopy(program, copy, size, language, isSigned);
    if (result == KIT_OK && !MoveFileExA(copy, output, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = Fail(KIT_WRITE_FAILED, "%s: cannot be replaced (error %lu)", output, GetLastError());
    if (result != KIT_OK)
        DeleteFileA(copy);
    else
        printf("%s: carries %s as its options file\n", output, options);
    return result;
}
