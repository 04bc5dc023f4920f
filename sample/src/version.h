// Version of the NEXFER Pro stand-ins, shared by their code and their version resources.
#pragma once

#define NX_VER_MAJOR 6
#define NX_VER_MINOR 0
#define NX_VER_PATCH 0
#define NX_VER_BUILD 12
#define NX_VER_STRING "6.0.0.12"
