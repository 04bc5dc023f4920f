// setupkit: lists, extracts, checks and tailors the payload of a built setup program
// through the platform's resource functions, without rebuilding it.
#ifndef NX_SETUPKIT_H
#define NX_SETUPKIT_H

#include <windows.h>
#include "payload/integrity.h"
#include "payload/payload.h"

// Exit codes; the README lists them.
#define KIT_OK           0
#define KIT_USAGE        1
#define KIT_BAD_PROGRAM  2   // missing, unreadable or not a Windows program
#define KIT_NO_PAYLOAD   3
#define KIT_BAD_OPTIONS  4
#define KIT_SIGNED       5
#define KIT_WRITE_FAILED 6
#define KIT_FAULTS       7

#define KIT_PATH_SIZE      MAX_PATH
#define OPTIONS_FILE_LIMIT 65536
#define ROW_PLAIN 0
#define ROW_SZDD  1

// A setup program loaded as a data file, and what it carries.
struct SetupImage {
    HMODULE module;
    DWORD securitySize;          // size of the signature table; 0 when unsigned
    int carried[PAYLOAD_COUNT];  // 1 for each row present
    int carriedCount;
    int foreignCount;            // "EXE" resources that are no payload row
    WORD optionsLanguage;        // language of the options row
};

// Installed name of payload row index; "" for a reserved row.
const char *InstalledName(int index);
// Index of the payload row carried under this resource name, or -1.
int FindRowByResource(const char *name);

// Prints "setupkit: " and the message to the error output; returns code.
int Fail(int code, const char *format, ...);

// Opens path as a setup program. KIT_OK, or the exit code after printing why not.
int OpenSetupImage(const char *path, SetupImage *image);
void CloseSetupImage(SetupImage *image);
// Cuts the signature off a program and clears its entry. 1 when the program is
// unsigned afterwards.
int RemoveSignature(const char *path);
// The stored bytes of a carried row. 1 on success.
int RowData(const SetupImage *image, int index, const BYTE **data, DWORD *size);

// ROW_SZDD or ROW_PLAIN; expanded receives the size the row expands to.
int RowForm(const BYTE *data, DWORD size, DWORD *expanded);
// Expands a row's bytes into destination with the LZ functions. 1 when the expanded
// size is the one the row announces; written receives the bytes written.
int ExpandRow(const BYTE *data, DWORD size, const char *destination, DWORD *written);

struct OptionsCheck {
    int install;   // an [INSTALL] section is present
    int nexfer;    // a [NEXFER] section is present
    int badLine;   // first line that is no section, key or comment; 0 when none
    int binary;    // a NUL byte was found
};
// 1 when text reads as an INI file; check receives the details.
int CheckOptionsText(const char *text, DWORD size, OptionsCheck *check);

int ListCommand(const char *program);
int ExtractCommand(const char *program, const char *folder);
int VerifyCommand(const char *program);
int OptionsCommand(const char *program, const char *options, const char *output, int force);

#endif
