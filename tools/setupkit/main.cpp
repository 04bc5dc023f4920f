// setupkit: works on a built setup program without rebuilding it.
//   setupkit list PROGRAM
//   setupkit extract PROGRAM FOLDER
//   setupkit verify PROGRAM
//   setupkit options PROGRAM INSTALL.INI [-o OUTPUT] [--force]
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "setupkit.h"

#define MAX_OPERANDS 3

struct KitArguments {
    const char *operands[MAX_OPERANDS];
    int count;
    const char *output;
    int force;
};

int Fail(int code, const char *format, ...)
{
    va_list args;

    fflush(stdout);
    fputs("setupkit: ", stderr);
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
    return code;
}

static int Usage(const char *problem)
{
    Fail(KIT_USAGE, "%s", problem);
    fputs("usage: setupkit list PROGRAM\n"
          "       setupkit extract PROGRAM FOLDER\n"
          "       setupkit verify PROGRAM\n"
          "       setupkit options PROGRAM INSTALL.INI [-o OUTPUT] [--force]\n", stderr);
    return KIT_USAGE;
}

// Splits the words after the command into operands and the two options. 1 on success.
static int ParseArguments(int argc, char **argv, KitArguments *args)
{
    memset(args, 0, sizeof(*args));
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--force") == 0) {
            args->force = 1;
        } else if (strcmp(argv[i], "-o") == 0 && i + 1 < argc && !args->output) {
            args->output = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return 0;
        } else if (args->count < MAX_OPERANDS) {
            args->operands[args->count++] = argv[i];
        } else {
            return 0;
        }
    }
    return 1;
}

static int Dispatch(const char *command, const KitArguments *a)
{
    int plain = !a->output && !a->force;

    if (strcmp(command, "list") == 0 && a->count == 1 && plain)
        return ListCommand(a->operands[0]);
    if (strcmp(command, "extract") == 0 && a->count == 2 && plain)
        return ExtractCommand(a->operands[0], a->operands[1]);
    if (strcmp(command, "verify") == 0 && a->count == 1 && plain)
        return VerifyCommand(a->operands[0]);
    if (strcmp(command, "options") == 0 && a->count == 2)
        return OptionsCommand(a->operands[0], a->operands[1], a->output ? a->output : a->operands[0], a->force);
    return Usage("unknown command or wrong arguments");
}

int main(int argc, char **argv)
{
    KitArguments args;
    int result;

    if (argc < 2)
        return Usage("no command");
    if (!ParseArguments(argc, argv, &args))
        return Usage("unknown option or too many arguments");
    result = Dispatch(argv[1], &args);
    fflush(stdout);
    return result;
}
