// The last object of the setup program's link, in the place the C runtime's crtend.o has in
// an ordinary program. It holds nothing. The linker (GNU ld 2.40, link-time optimisation)
// loses track of library members it takes in only after the optimised code is back (the
// string functions the compiler calls on its own, the stack probe) when the link's last
// input is itself a library member: they keep no output section and ld crashes writing the
// relocation table. A plain object at the end keeps every member in its place.
