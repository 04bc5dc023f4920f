// The embedded payload: table of rows, extraction, expansion and clean-up.
#ifndef NX_PAYLOAD_H
#define NX_PAYLOAD_H

#include <windows.h>

#define PAYLOAD_COUNT      45
#define PAYLOAD_RELNOTES   26
#define PAYLOAD_PRODUCTINI 35
#define PAYLOAD_OPTIONS    44

struct PayloadEntry {
    const char *resourceName;  // resource of type "EXE"; empty for a reserved row
    const char *resourceType;
    const char *storedName;
    const char *tempName;
};

extern const PayloadEntry PayloadTable[PAYLOAD_COUNT];

// Writes row index of module to folder\fileName byte for byte. 1 on success.
int ExtractPayload(HMODULE module, int index, const char *folder, const char *fileName);

// Expands source (an SZDD file, or any file copied as it is) to destination. 1 when a
// non-empty result was written. May leave source in its underscore form.
int ExpandFile(char *source, const char *destination);

// Deletes every row's temporary name from the temporary folder; returns 0.
int DeleteTempPayloadFiles(void);

#endif
