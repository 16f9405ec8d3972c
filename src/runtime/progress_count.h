#pragma once
// "n of N" for a run over a list of files: at most once per thousandth of
// the list, so that a million files do not flood the window with updates,
// and always when the end is reached.

#include <cstdint>
#include <functional>
#include <utility>

using CountCallback = std::function<void(long long done, long long total)>;

class ProgressCount {
 public:
  explicit ProgressCount(CountCallback report) : report_(std::move(report)) {}

  void Report(long long done, long long total) {
    if (!report_ || total <= 0) return;
    const long long per_mille = done * 1000 / total;
    if (per_mille == shown_ && done != total) return;
    shown_ = per_mille;
    report_(done, total);
  }

 private:
  CountCallback report_;
  long long shown_ = -1;
};
