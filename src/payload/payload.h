// The embedded payload: table of rows, extraction, expansion and clean-up.
#ifndef NX_PAYLOAD_H
#define NX_PAYLOAD_H

#include <windows.h>

#include "payload_rows.h"

// Every payload row is a resource of this type.
#define PAYLOAD_RESOURCE_TYPE "EXE"

// The rows that parts of the program address by themselves.
#define PAYLOAD_RELNOTES   PAYLOAD_ROW_RELNOTES_TXT
#define PAYLOAD_PRODUCTINI PAYLOAD_ROW_NEXFER_INI
#define PAYLOAD_OPTIONS    PAYLOAD_ROW_INSTALL_INI

struct PayloadEntry {
    const char *resourceName;   // resource of type "EXE"; empty for a reserved row
    const char *installedName;  // the file's name in the product folder
    const char *tempName;       // the packed file's name, also in the temporary folder
    int carried;                // this release carries the row
    int plain;                  // carried as it is rather than in the SZDD container
};

extern const PayloadEntry PayloadTable[PAYLOAD_COUNT];

// Writes row index of module byte for byte to folder\fileName, a new file (a name that
// exists is refused). 1 on success.
int ExtractPayload(HMODULE module, int index, const char *folder, const char *fileName);

// Bytes of row index as the program carries it; 0 for a row it does not carry.
DWORD PayloadStoredSize(HMODULE module, int index);
// Bytes of row index once placed: the size its SZDD header gives, or the stored size of
// a row carried as it is.
DWORD PayloadExpandedSize(HMODULE module, int index);

// Writes row index of module into the open file (the scratch file), from its start, and
// ends the file there. 1 on success.
int ExtractPayloadTo(HMODULE module, int index, HANDLE file);

// Expansion reads and writes blocks of this many bytes; between blocks it dispatches the
// thread's messages and stops, with ERROR_CANCELLED, once the user has cancelled the copy.
#define EXPANSION_BLOCK_SIZE (256 * 1024)

// Expands source (an SZDD file, or any file copied as it is) to destination. 1 when a
// non-empty result was written. May leave source in its underscore form.
int ExpandFile(char *source, const char *destination);

// The same for the content of an open file (the scratch file), read from its start; the
// file stays open.
int ExpandHeldFile(HANDLE file, const char *destination);

// Removes the run's private folder with the payload copies in it, then deletes every
// row's temporary name that earlier runs left in the temporary folder; returns 0.
int DeleteTempPayloadFiles(void);

#endif
