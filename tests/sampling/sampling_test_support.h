#pragma once
// What the sampling page tests share besides the test page host.

#include <QStringList>
#include <QWidget>
#include <QtGlobal>
#include <functional>
#include <utility>
#include <vector>

#include "support/test_page_host.h"

// A page's control by its name; the test ends at once when it is missing.
template <typename T>
T* Find(QWidget* page, const char* name) {
  T* w = page->findChild<T*>(QString::fromLatin1(name));
  if (!w) qFatal("control %s missing", name);
  return w;
}

// The test host that also keeps every "n of N" a run showed.
class CountingPageHost : public TestPageHost {
 public:
  using TestPageHost::TestPageHost;
  void ShowCountOutOf(long long n, long long total) override {
    QMutexLocker lock(&count_mutex_);
    counts_.emplace_back(n, total);
  }
  std::vector<std::pair<long long, long long>> Counts() {
    QMutexLocker lock(&count_mutex_);
    return counts_;
  }

 private:
  QMutex count_mutex_;
  std::vector<std::pair<long long, long long>> counts_;
};
