#include "runtime/panic.h"

#include <mutex>
#include <thread>

std::atomic<std::uint8_t> global_panic_state{0};

namespace {
std::mutex g_yield_mutex;
std::function<void()> g_yield_proc;
std::thread::id g_yield_thread;
std::atomic<bool> g_yield_bound{false};
}  // namespace

void SetGlobalYieldProcessProc(std::function<void()> proc) {
  std::lock_guard<std::mutex> lock(g_yield_mutex);
  g_yield_proc = std::move(proc);
  g_yield_thread = std::this_thread::get_id();
  g_yield_bound.store(static_cast<bool>(g_yield_proc), std::memory_order_release);
}

void YieldToEvents() {
  // Engines call this in tight loops: keep the common case (nothing bound, or
  // called from a worker thread) to one relaxed check.
  if (!g_yield_bound.load(std::memory_order_acquire)) return;
  static thread_local bool in_yield = false;
  if (in_yield) return;
  std::function<void()> proc;
  {
    std::lock_guard<std::mutex> lock(g_yield_mutex);
    if (!g_yield_proc || g_yield_thread != std::this_thread::get_id()) return;
    proc = g_yield_proc;
  }
  in_yield = true;
  proc();
  in_yield = false;
}
