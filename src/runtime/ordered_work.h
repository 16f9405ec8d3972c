#pragma once
// Work on a list of items spread over several threads, with the results
// taken one by one in list order on the calling thread.
//
// Items are claimed in list order by the helper threads and by the caller
// alike. While the item the caller needs next is still being worked on by a
// helper, the caller works on the next unclaimed item itself, so every thread
// stays busy. At most `window` items are claimed ahead of the one the caller
// takes, and their results wait in a ring of that many slots, so memory does
// not grow with the length of the list. With no helpers this is the plain
// loop. Each thread has a Scratch of its own, kept from item to item.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

template <class Result, class Scratch>
class OrderedWork {
 public:
  // work(i, scratch, progress) does item i; progress (never null) receives a
  // percentage within the item.
  using Work =
      std::function<Result(int i, Scratch& scratch, const std::function<void(int)>& progress)>;

  OrderedWork(int count, int helpers, Work work) : count_(count), work_(std::move(work)) {
    helpers = std::max(0, helpers);
    window_ = std::max(8, (helpers + 1) * 8);
    slots_ = std::vector<Slot>(static_cast<std::size_t>(window_));
    for (int k = 0; k < helpers; ++k) threads_.emplace_back([this] { HelperLoop(); });
  }

  ~OrderedWork() {
    Halt();
    for (auto& t : threads_) t.join();
  }

  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // The result of item i; items must be taken in order, from 0. progress
  // receives the percentage within item i on this thread (may be empty).
  // An exception thrown by the work on item i is thrown here.
  Result Take(int i, Scratch& own, const std::function<void(int)>& progress) {
    static const std::function<void(int)> kIgnore = [](int) {};
    const std::function<void(int)>& tick = progress ? progress : kIgnore;
    Slot& slot = SlotOf(i);
    std::unique_lock<std::mutex> lock(mutex_);
    consumer_pos_ = i;
    cv_.notify_all();
    int shown = -1;
    for (;;) {
      if (slot.done) break;
      if (next_claim_ <= i) {
        next_claim_ = i + 1;
        lock.unlock();
        return work_(i, own, tick);
      }
      if (next_claim_ < count_ && next_claim_ < i + window_) {
        const int j = next_claim_++;
        lock.unlock();
        Run(j, own);
        lock.lock();
        continue;
      }
      done_cv_.wait_for(lock, std::chrono::milliseconds(50));
      const int p = slot.progress.load(std::memory_order_relaxed);
      if (p != shown && !slot.done) {
        shown = p;
        lock.unlock();
        tick(p);
        lock.lock();
      }
    }
    slot.done = false;
    slot.progress.store(0, std::memory_order_relaxed);
    std::exception_ptr error = std::move(slot.error);
    slot.error = nullptr;
    Result result = std::move(slot.result);
    slot.result = Result();
    cv_.notify_all();  // the slot is free for a helper again
    lock.unlock();
    if (error) std::rethrow_exception(error);
    return result;
  }

  // Helpers take no further items.
  void Halt() {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    cv_.notify_all();
  }

 private:
  struct Slot {
    bool done = false;
    Result result{};
    std::exception_ptr error;
    std::atomic<int> progress{0};
  };

  Slot& SlotOf(int i) { return slots_[static_cast<std::size_t>(i % window_)]; }

  // Does item i into its slot (any thread, without the lock held).
  void Run(int i, Scratch& scratch) {
    Slot& slot = SlotOf(i);
    Result result{};
    std::exception_ptr error;
    try {
      result =
          work_(i, scratch, [&slot](int p) { slot.progress.store(p, std::memory_order_relaxed); });
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slot.result = std::move(result);
      slot.error = error;
      slot.done = true;
    }
    done_cv_.notify_all();
  }

  void HelperLoop() {
    Scratch scratch;
    for (;;) {
      int i;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        // Item j's slot is free once item j - window has been taken, which
        // holds for every j below the taken item plus the window.
        cv_.wait(lock, [&] {
          return quit_ || (next_claim_ < count_ && next_claim_ < consumer_pos_ + window_);
        });
        if (quit_) return;
        i = next_claim_++;
      }
      Run(i, scratch);
    }
  }

  const int count_;
  Work work_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::condition_variable done_cv_;
  int next_claim_ = 0;
  int consumer_pos_ = 0;
  int window_ = 8;
  bool quit_ = false;
};
