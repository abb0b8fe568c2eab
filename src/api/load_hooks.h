// What the library does when it is loaded into or unloaded from a process,
// and when threads start and end there (DllMain on Windows).
#pragma once

namespace quillon {

// The reason codes of the Windows entry point, which the hook takes as they are.
enum LoadReason : int {
    kProcessDetach = 0,
    kProcessAttach = 1,
    kThreadAttach = 2,
    kThreadDetach = 3,
};

// Process attach succeeds only while no movie exists (always so at a fresh
// load). Process detach releases everything the library holds, an open movie
// included, without writing it. Every other reason does nothing. Returns
// whether the event succeeded.
bool OnLoadEvent(int reason);

}  // namespace quillon
