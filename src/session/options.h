// The installation options file Install.ini.
#ifndef NX_OPTIONS_H
#define NX_OPTIONS_H

#include <stddef.h>

// 1 when value equals word (letter case ignored) or digit (exactly).
int IsOptionValue(const char *value, const char *word, const char *digit);

// Finds Install.ini (current folder, then beside the program), sets IniFileName and the
// option fields of the session, and logs each value when logging turned on.
void ReadOptions(void);

// The same with only the file beside the program (no usable temporary folder).
void ReadOptionsBesideProgram(void);

// Looks key up in section of an INI text held in memory (size bytes, no NUL needed),
// as the profile functions would: names without regard to case, blanks trimmed.
// 1 with the value in value; 0 when absent.
int FindOptionInText(const char *text, size_t size, const char *section, const char *key,
                     char *value, int cchValue);

#endif
