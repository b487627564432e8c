#pragma once
// One read's work shared between the calling thread and one helper thread.
//
// Copying pixels out of the page cache is bound by what one core copies; with a second core idle,
// two threads take about half the time (tiled 16384² Float32 at k = 4: 139-150 ms on one, 72-75 ms
// on two). Work is handed out in chunks to whichever thread is free, so a core busy with something
// else slows the read down instead of stalling it.
#include <cstddef>
#include <functional>

namespace basekit {

// Handles units [first, last) on `lane` (0: the calling thread, 1: the helper) and returns how many
// output rows that completed, or kWorkFailed to stop both threads.
using WorkChunk = std::function<std::size_t(std::size_t first, std::size_t last, int lane)>;
constexpr std::size_t kWorkFailed = static_cast<std::size_t>(-1);

// Runs `work` over units [0, units) in chunks of `perChunk` (at least 1). A helper thread joins in
// only when there are two chunks or more and the process may run on a second core, and runs on a
// core other than the caller's; where none can be started the calling thread does it all.
// `rowsDone` (optional) is called on the calling thread only, with the output rows completed so
// far, never decreasing, last with the total. True when every chunk succeeded; an exception
// thrown by `work` on either thread reaches the caller, after the helper has stopped.
bool share_work(std::size_t units, std::size_t perChunk, const WorkChunk& work,
                const std::function<void(std::size_t)>& rowsDone);

}  // namespace basekit
