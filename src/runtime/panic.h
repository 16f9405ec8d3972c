#pragma once
// The process-wide stop state and the yield hook that long loops call.
//
// Engines run synchronously on whatever thread calls them. They call
// YieldToEvents() between files and inside long loops; on a worker thread it
// is a cheap check, in a single-threaded caller it may run pending events.
// A stop request is seen through global_panic_state or the engine's own flag.

#include <atomic>
#include <cstdint>
#include <functional>

// 0: running normally; 1: stop at the end of the file; 2: stop as soon as
// possible; 3: panic stop. Set from the Stop panel or by controller command.
extern std::atomic<std::uint8_t> global_panic_state;

// True when any stop has been asked for.
inline bool StopRequested() { return global_panic_state.load(std::memory_order_relaxed) > 0; }

// Binds the procedure that YieldToEvents runs; an empty function unbinds it.
void SetGlobalYieldProcessProc(std::function<void()> proc);

// Runs the bound yield procedure, if any. Safe to call from any thread: the
// procedure is only run on the thread that bound it.
void YieldToEvents();

// A stop flag that one thread sets and an engine on another thread polls.
class StopFlag {
 public:
  void Request() { flag_.store(true, std::memory_order_relaxed); }
  void Reset() { flag_.store(false, std::memory_order_relaxed); }
  bool Requested() const { return flag_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> flag_{false};
};
