// Damaged copies of a built setup program, made through the resource functions so that
// they work for whichever program a test is given (x86_64 or i686).
#ifndef NX_E2E_DAMAGE_H
#define NX_E2E_DAMAGE_H

#include <windows.h>
#include <string>

// Copies program to copy with the middle byte of row resource's stored bytes changed.
// The byte's place in the file comes from the resource functions, and the copy is
// checked to hold the row there. "" on success, else what went wrong.
std::string CopyWithChangedRowByte(const std::string &program, const std::string &copy, const char *resource);

// Copies program to copy without the resource (type, name). "" on success.
std::string CopyWithoutResource(const std::string &program, const std::string &copy, LPCSTR type, LPCSTR name);

#endif
