// Exports whose subsystems are not built yet: they do nothing.
// Each definition leaves this file when its subsystem lands.
#include "quillon.h"

extern "C" {
}
