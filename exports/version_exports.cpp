// The library's version, as the build names it.
#include "paintcore.h"

#ifndef PAINTCORE_VERSION
#error "the build defines PAINTCORE_VERSION"
#endif

extern "C" {

PTE_API const char* PTE_CALL PTE_GetVersion(void) { return PAINTCORE_VERSION; }

}  // extern "C"
