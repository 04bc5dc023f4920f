// Whether this machine runs 32-bit (compat-mode) code inside a 64-bit process, which a
// WoW64 Wine needs for every i686 Windows program. It asks the processor for the access
// rights of the user 32-bit code segment rather than jumping into it: a kernel built or
// started without IA32 emulation, and some hypervisors, leave that segment unusable,
// and a jump would only end in a fault. Exit code 0: usable; 1: not; 2: not x86_64.
#include <cstdint>
#include <cstdio>

// The user 32-bit code segment of x86_64 Linux (GDT entry 4, privilege level 3).
static const uint32_t USER32_CS = 0x23;
// Access-rights bits as LAR returns them.
static const uint32_t SEG_CODE = 0x0800, SEG_PRESENT = 0x8000, SEG_LONG = 0x200000, SEG_32BIT = 0x400000;

int main()
{
#if defined(__x86_64__)
    uint32_t rights = 0;
    uint8_t valid = 0;

    __asm__("lar %2, %0\n\tsetz %1" : "=r"(rights), "=q"(valid) : "r"(USER32_CS) : "cc");
    if (valid && (rights & (SEG_CODE | SEG_PRESENT | SEG_32BIT)) == (SEG_CODE | SEG_PRESENT | SEG_32BIT) &&
        !(rights & SEG_LONG)) {
        std::printf("compat32: the 32-bit code segment is usable (access rights %08x)\n", (unsigned)rights);
        return 0;
    }
    std::printf("compat32: this machine does not run 32-bit code in a 64-bit process: the 32-bit code "
                "segment (selector 0x%02x) is %s\n", (unsigned)USER32_CS,
                valid ? "not a present 32-bit code segment" : "not available to programs");
    return 1;
#else
    std::printf("compat32: not an x86_64 machine\n");
    return 2;
#endif
}
