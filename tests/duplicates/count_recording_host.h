#pragma once
// A test page host that also keeps every "n of N" count a page sends.

#include <mutex>
#include <utility>
#include <vector>

#include "support/test_page_host.h"

class CountRecordingHost : public TestPageHost {
 public:
  using TestPageHost::TestPageHost;

  void ShowCountOutOf(long long n, long long total) override {
    std::lock_guard<std::mutex> lock(mutex_);
    counts_.emplace_back(n, total);
  }
  // The last count sent; (-1, -1) when none was.
  std::pair<long long, long long> LastCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_.empty() ? std::make_pair(-1LL, -1LL) : counts_.back();
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<long long, long long>> counts_;
};
