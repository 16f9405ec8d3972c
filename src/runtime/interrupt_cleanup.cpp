#include "runtime/interrupt_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <atomic>
#include <csignal>
#include <cstring>

#include "runtime/native_names.h"

namespace {

// The handler may only use what is safe inside a signal handler: fixed
// slots written before they are marked in use, and plain system calls.
constexpr int kSlots = 16;
constexpr std::size_t kPathMax = 4096;
constexpr std::size_t kPrefixMax = 512;

struct Slot {
  std::atomic<bool> used{false};
  char folder[kPathMax];
  char prefix[kPrefixMax];
};

Slot g_slots[kSlots];
std::atomic<bool> g_installed{false};
std::atomic<int> g_held_back{0};
std::atomic<int> g_pending_signal{0};

bool StartsWith(const char* name, const char* prefix) {
  for (; *prefix; ++prefix, ++name)
    if (*name != *prefix) return false;
  return true;
}

// Removes matching files with system calls only (no allocation, no stdio).
int RemoveMatching(const char* folder, const char* prefix) {
  const int dfd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return 0;
  int removed = 0;
  alignas(8) char buf[8192];
  for (;;) {
    const long n = ::syscall(SYS_getdents64, dfd, buf, sizeof buf);
    if (n <= 0) break;
    for (long at = 0; at < n;) {
      const auto* e = reinterpret_cast<const struct dirent64*>(buf + at);
      at += e->d_reclen;
      if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN) continue;
      if (StartsWith(e->d_name, prefix) && ::unlinkat(dfd, e->d_name, 0) == 0) ++removed;
    }
  }
  ::close(dfd);
  return removed;
}

void CleanUpAndEnd(int sig) {
  for (Slot& s : g_slots)
    if (s.used.load()) RemoveMatching(s.folder, s.prefix);
  static const char kNote[] = "sorvel-cli: interrupted; unfinished output removed\n";
  [[maybe_unused]] const ssize_t w = ::write(2, kNote, sizeof kNote - 1);
  std::signal(sig, SIG_DFL);
  ::raise(sig);
}

void OnSignal(int sig) {
  if (g_held_back.load() > 0) {
    g_pending_signal.store(sig);
    return;
  }
  CleanUpAndEnd(sig);
}

bool CopyTo(char* out, std::size_t cap, const QByteArray& in) {
  if (static_cast<std::size_t>(in.size()) + 1 > cap) return false;
  std::memcpy(out, in.constData(), static_cast<std::size_t>(in.size()) + 1);
  return true;
}

}  // namespace

void InstallPartialOutputCleanup() {
  if (g_installed.exchange(true)) return;
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

PartialOutputScope::PartialOutputScope(const QString& folder, const QString& prefix) {
  if (!g_installed.load()) return;
  for (int i = 0; i < kSlots; ++i) {
    Slot& s = g_slots[i];
    if (s.used.load()) continue;
    if (!CopyTo(s.folder, kPathMax, NativeFromName(folder)) ||
        !CopyTo(s.prefix, kPrefixMax, NativeFromName(prefix)))
      return;
    s.used.store(true);
    slot_ = i;
    return;
  }
}

PartialOutputScope::~PartialOutputScope() {
  if (slot_ >= 0) g_slots[slot_].used.store(false);
}

InterruptsHeldBack::InterruptsHeldBack() { g_held_back.fetch_add(1); }

InterruptsHeldBack::~InterruptsHeldBack() {
  if (g_held_back.fetch_sub(1) == 1) {
    const int sig = g_pending_signal.exchange(0);
    if (sig != 0) CleanUpAndEnd(sig);
  }
}

int RemovePartialOutput(const QString& folder, const QString& prefix) {
  return RemoveMatching(NativeFromName(folder).constData(), NativeFromName(prefix).constData());
}
