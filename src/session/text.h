// Bounded text and path helpers: every copy and join states its destination size and
// reports when the result would not fit, so that a path is never cut or overrun.
#ifndef NX_TEXT_H
#define NX_TEXT_H

#include <stddef.h>

// Element count of a true array; refuses pointers at compile time.
template <typename T, size_t N> char (&CountOfHelper(T (&)[N]))[N];
#define COUNTOF(a) ((int)sizeof(CountOfHelper(a)))

// Copies src into out (cchOut characters with the NUL). 1 when it fit, else 0 and out empty.
int CopyText(char *out, int cchOut, const char *src);

// Appends src to out. 1 when it fit, else 0 and out unchanged.
int AppendText(char *out, int cchOut, const char *src);

// Folder, one backslash unless the folder already ends with one, then the name.
// 0 when the result would not fit (out is then empty).
int JoinPath(char *out, int cchOut, const char *folder, const char *name);

// Like JoinPath, but a folder ending with a forward slash gets no backslash either.
int JoinPathAnySeparator(char *out, int cchOut, const char *folder, const char *name);

// The last backslash of text (with slashes set, a forward slash too), or NULL. Walked
// by character: on a double-byte code page a trail byte can have a backslash's value.
char *FindLastSeparator(const char *text, int slashes);
char *FindLastSeparatorIn(unsigned codePage, const char *text, int slashes);

// 1 when text ends with a backslash.
int EndsWithBackslash(const char *text);

// Printf into a fixed buffer; 0 when the result was cut (out then holds the cut text).
int FormatText(char *out, int cchOut, const char *format, ...);

#endif
