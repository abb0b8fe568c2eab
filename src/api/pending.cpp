// Exports whose subsystems are not built yet: they do nothing.
// Each definition leaves this file when its subsystem lands.
#include "quillon.h"

extern "C" {
QUILLON_API void QUILLON_CALL AddSound(const char *) {}
QUILLON_API void QUILLON_CALL InitAnimatedList(void) {}
QUILLON_API void QUILLON_CALL AddRubber(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t) {}
QUILLON_API void QUILLON_CALL AddAtAttractor(int32_t, const int32_t *, uint32_t, uint32_t) {}
QUILLON_API void QUILLON_CALL AnimateList(void) {}
QUILLON_API void QUILLON_CALL DestroyAnimatedList(void) {}
}
