// The program's load configuration. Windows 10 and later resolve the program's own
// imports, and the imports of the DLLs they bring in, with its DependentLoadFlags: from
// the system folder only, never from the program's folder. The build points the image's
// load configuration entry at this symbol (CMakeLists.txt, nx_add_setup).
#include <windows.h>

// Every field but the size and DependentLoadFlags (Reserved1 in these headers) is zero.
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    sizeof(IMAGE_LOAD_CONFIG_DIRECTORY), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32, 0, 0, 0, 0,
};
