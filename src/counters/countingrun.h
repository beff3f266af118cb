#pragma once

#include <cstdint>
#include <optional>

// One count of a window, from Start to its end: Stop, Back, the close box, the program's end or a
// failing tick. The window holds the only share of it, so the run is gone once the window ends it
// or is deleted itself; a tick keeps a weak reference across its yield and so finds out without
// touching the window.
struct CountingRun
{
    // A tick of this run is under way: the yield and an open report both run events, and the
    // timer's next tick among them must not start inside it.
    bool ticking = false;
    // The span this run last wrote, if it wrote one.
    std::optional<std::int32_t> lastWrittenSpan;
};
