// A program that imports LZ32.dll as the setup program once did: the planted-DLL test's
// proof that a LZ32.dll beside a program is loaded where the search order allows it.
#include <windows.h>
#include <lzexpand.h>

int main()
{
    // LZClose of a handle LZInit never made closes nothing; the call keeps the import.
    LZClose(-1);
    return 0;
}
