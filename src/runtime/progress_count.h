#pragma once
// "n of N" for a run over a list of files: at most once per thousandth of
// the list, so that a million files do not flood the window with updates,
// and always when the end is reached.

#include <cstdint>
#include <functional>

using CountCallback = std::function<void(long long done, long long total)>;

class ProgressCount {
 public:
  explicit ProgressCount(const CountCallback& report) : report_(report) {}

  void Report(long long done, long long total) {
    if (!report_ || total <= 0) return;
    const long long per_mille = done * 1000 / total;
    if (per_mille == shown_ && done != total) return;
    shown_ = per_mille;
    report_(done, total);
  }

 private:
  const CountCallback& report_;
  long long shown_ = -1;
};
