// The check of the carried payload rows against the table of check values the build
// puts into the program, made before anything is extracted.
#ifndef NX_INTEGRITY_H
#define NX_INTEGRITY_H

#include <windows.h>

#include "payload/payload.h"

// Results of CheckCarriedRows besides a row index.
#define ROWS_INTACT   (-1)
#define ROWS_NO_TABLE PAYLOAD_COUNT

// One row of the table (resource IDR_ROW_CHECKS, one per payload row, in row order):
// the stored bytes' count and CRC-32, both little-endian; zeros for a row not checked.
struct RowCheck {
    DWORD size;
    DWORD crc;
};

// CRC-32 of IEEE 802.3 (as zip and PNG compute it) of size bytes.
DWORD RowChecksum(const BYTE *data, DWORD size);

// 1 for a row the table covers: carried by this release, and not the options file,
// which distributors change.
int IsCheckedRow(int index);

// 1 when size bytes at data lie inside module's image, as a resource's bytes must.
int IsInsideImage(HMODULE module, const void *data, DWORD size);

// The table module carries; NULL when it has none or one of another length.
const RowCheck *FindRowChecks(HMODULE module);

// 1 when row index of module is present and its bytes, read where they lie, have the
// size and CRC-32 of its entry in checks.
int RowMatches(HMODULE module, int index, const RowCheck *checks);

// The first checked row that module lacks or that does not match; ROWS_NO_TABLE when
// module carries no table; ROWS_INTACT when every checked row matches.
int CheckCarriedRows(HMODULE module);

#endif
