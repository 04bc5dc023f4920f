// The installation options file Install.ini.
#ifndef NX_OPTIONS_H
#define NX_OPTIONS_H

// 1 when value equals word (letter case ignored) or digit (exactly).
int IsOptionValue(const char *value, const char *word, const char *digit);

// Finds Install.ini (current folder, then beside the program), sets IniFileName and the
// option fields of the session, and logs each value when logging turned on.
void ReadOptions(void);

#endif
