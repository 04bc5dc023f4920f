// Buffer sizes shared across the program: one constant per kind of text that crosses a
// function boundary. A function that writes into a caller's buffer also takes its size.
#ifndef NX_SIZES_H
#define NX_SIZES_H

// A folder as the user, the options file or the record gives it (destination, source).
#define FOLDER_SIZE         512
// A folder joined with a file name, or a registry key path.
#define PATH_SIZE           1024
// The system's short (8.3) form of a path.
#define SHORT_PATH_SIZE     261
// A command line: a run-once command, a program-group command (an add-item command
// holds two paths of MAX_PATH and a title).
#define COMMAND_SIZE        1024
// A text loaded from the string table.
#define MESSAGE_SIZE        256
// A message with its inserts filled in.
#define FORMATTED_SIZE      1024
// A program-group name.
#define GROUP_SIZE          256
// The install and removal drivers' one-line reason or note.
#define DRIVER_MESSAGE_SIZE 256

#endif
