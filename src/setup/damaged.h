// The end of a run whose program carries damaged files: nothing is extracted.
#ifndef NX_DAMAGED_H
#define NX_DAMAGED_H

// Tells the user that the program is damaged (row: the first damaged payload row, or
// ROWS_NO_TABLE): a message box, or in a quiet run a line in the temporary folder's
// setup.log when the carried options turn logging on. Returns the exit code, 1603.
int EndDamagedProgram(int row);

#endif
