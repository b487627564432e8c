#include "host/common/WorkShare.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace basekit {

namespace {

// Cores this process may run on: a viewer started under taskset or in a one-core container gains
// nothing from a helper thread, however many cores the machine has.
bool second_core() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set) > 1;
  return std::thread::hardware_concurrency() > 1;
}

// Moves the helper off the core the caller runs on, from the caller, before the helper has run.
// Left to itself the scheduler now and then queues a new thread on its creator's core, where it
// waits out the creator's time slice: the helper then joined a 6 ms read after 1-4 ms (striped
// 16384² Float32, k = 16, in a fresh process: reads of 6.2-15 ms left alone, 5.9-7.4 ms moved).
// The caller itself stays free to move.
void keep_off_caller(std::thread& helper, int callerCpu) {
  cpu_set_t set;
  if (callerCpu < 0 || callerCpu >= CPU_SETSIZE || ::sched_getaffinity(0, sizeof set, &set) != 0) return;
  CPU_CLR(callerCpu, &set);
  if (CPU_COUNT(&set) > 0) ::pthread_setaffinity_np(helper.native_handle(), sizeof set, &set);
}

}  // namespace

bool share_work(std::size_t units, std::size_t perChunk, const WorkChunk& work,
                const std::function<void(std::size_t)>& rowsDone) {
  perChunk = std::max<std::size_t>(perChunk, 1);
  std::atomic<std::size_t> next{0}, rows{0};
  std::atomic<bool> failed{false};
  std::exception_ptr helperError;
  std::size_t reported = 0;
  bool anyReported = false;
  auto run = [&](int lane) {
    for (;;) {
      if (failed.load(std::memory_order_relaxed)) return;
      const std::size_t first = next.fetch_add(perChunk);
      if (first >= units) return;
      const std::size_t got = work(first, std::min(units, first + perChunk), lane);
      if (got == kWorkFailed) {
        failed = true;
        return;
      }
      rows += got;
      if (lane == 0 && rowsDone) {
        reported = rows.load();
        anyReported = true;
        rowsDone(reported);
      }
    }
  };
  std::thread helper;
  if (units > perChunk && second_core()) {
    try {
      const int callerCpu = ::sched_getcpu();
      helper = std::thread([&] {
        try {
          run(1);
        } catch (...) {
          helperError = std::current_exception();
          failed = true;
        }
      });
      keep_off_caller(helper, callerCpu);
    } catch (const std::system_error&) {
      // No thread to be had (a process or memory limit): the calling thread reads alone.
    }
  }
  try {
    run(0);
  } catch (...) {
    failed = true;
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
  if (helperError) std::rethrow_exception(helperError);
  if (failed) return false;
  // The helper may have finished the last chunks after the calling thread last reported.
  if (rowsDone && (!anyReported || reported != rows.load())) rowsDone(rows.load());
  return true;
}

}  // namespace basekit
