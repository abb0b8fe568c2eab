// The load and unload hooks, and the Windows entry point that calls them.
#include "api/load_hooks.h"

#include "api/library_state.h"

namespace quillon {

bool OnLoadEvent(int reason) {
    switch (reason) {
        case kProcessAttach:
            return ClassicMovie() == nullptr || !ClassicMovie()->currentMovie;
        case kProcessDetach:
            ReleaseState();  // as the unload destructor does on other systems
            return true;
        default:
            return true;
    }
}

}  // namespace quillon

#ifdef _WIN32
#include <windows.h>

static_assert(DLL_PROCESS_DETACH == quillon::kProcessDetach, "reason codes");
static_assert(DLL_PROCESS_ATTACH == quillon::kProcessAttach, "reason codes");
static_assert(DLL_THREAD_ATTACH == quillon::kThreadAttach, "reason codes");
static_assert(DLL_THREAD_DETACH == quillon::kThreadDetach, "reason codes");

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    return quillon::OnLoadEvent(static_cast<int>(reason)) ? TRUE : FALSE;
}
#endif
