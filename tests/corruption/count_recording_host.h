#pragma once
// A test page host that keeps every "n of N" count a page sends; the counts
// come from the run's thread.

#include <mutex>
#include <utility>
#include <vector>

#include "support/test_page_host.h"

class CountRecordingHost : public TestPageHost {
 public:
  using TestPageHost::TestPageHost;
  using Count = std::pair<long long, long long>;

  void ShowCountOutOf(long long n, long long total) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    counts_.emplace_back(n, total);
  }
  std::vector<Count> Counts() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Count> counts_;
};
