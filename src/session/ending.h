// How a run ends for its caller: one exit code, with a few words naming the ending.
#ifndef NX_ENDING_H
#define NX_ENDING_H

// Sets g_nExitCode and g_pszEnding (a text that lives as long as the program).
void EndRun(int code, const char *ending);

// The log's last line: "Exit code <code>: <ending>".
void LogRunEnding(void);

#endif
