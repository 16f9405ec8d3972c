#include "runtime/controller_link.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <atomic>

#include "runtime/dialogs.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/panic.h"
#include "runtime/settings.h"

namespace {
NullControllerLink g_null_link;
std::atomic<ControllerLink*> g_link{nullptr};
std::atomic<std::uintptr_t> g_own_wnd{0};

QString TimeNow() { return QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz")); }
}  // namespace

// --- recording link ---

std::uintptr_t RecordingControllerLink::GetShellWnd() { return shell_wnd; }

void RecordingControllerLink::PostMessageTo(std::uintptr_t wnd, unsigned msg, std::uint64_t wparam,
                                            std::uint64_t lparam) {
  std::lock_guard<std::mutex> lock(mutex_);
  posted_.push_back({wnd, msg, wparam, lparam});
}

void RecordingControllerLink::SetProgressParams(const QByteArray& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.push_back(record);
}

void RecordingControllerLink::BringProgressWindowToFront() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_ << QStringLiteral("front");
}

void RecordingControllerLink::SetNewWnd(int tool, std::uintptr_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_ << QStringLiteral("SetNewWnd %1").arg(tool);
}

void RecordingControllerLink::SetActiveMainToolWindow(int tool, std::uintptr_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_ << QStringLiteral("SetActiveMainToolWindow %1").arg(tool);
}

void RecordingControllerLink::UnSetWnd(int tool, std::uintptr_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_ << QStringLiteral("UnSetWnd %1").arg(tool);
}

bool RecordingControllerLink::ControllerInitialised() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++initialised_queries_;
  return initialised_after_queries > 0 && initialised_queries_ >= initialised_after_queries;
}

QString RecordingControllerLink::GetFullToolFilename(int) { return tool_path; }

bool RecordingControllerLink::LaunchProgram(const QString& path, const QString& params,
                                            bool elevate) {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_ << QStringLiteral("launch%1 %2 %3")
                .arg(elevate ? QStringLiteral(" elevated") : QString(), path, params)
                .trimmed();
  return launch_ok;
}

std::vector<RecordingControllerLink::Posted> RecordingControllerLink::PostedMessages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return posted_;
}

std::vector<QByteArray> RecordingControllerLink::Records() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

QStringList RecordingControllerLink::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

void RecordingControllerLink::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  posted_.clear();
  records_.clear();
  calls_.clear();
  initialised_queries_ = 0;
}

// --- process-wide link ---

ControllerLink& Controller() {
  ControllerLink* l = g_link.load();
  return l ? *l : g_null_link;
}

void SetControllerLink(ControllerLink* link) { g_link.store(link); }

std::uintptr_t OwnWindowHandle() { return g_own_wnd.load(); }
void SetOwnWindowHandle(std::uintptr_t wnd) { g_own_wnd.store(wnd); }

std::uint64_t ControllerNotifyParam(std::uint16_t code, int tool) {
  return static_cast<std::uint64_t>(code) | (static_cast<std::uint64_t>(tool & 0xFF) << 16);
}

bool NotifyController(std::uint16_t code) {
  ControllerLink& link = Controller();
  const std::uintptr_t own = OwnWindowHandle();
  const std::uintptr_t shell = link.GetShellWnd();
  if (own == 0 || shell == 0 || own == shell) return false;
  link.PostMessageTo(shell, kMsgToolIdentity, static_cast<std::uint64_t>(kSorvelToolNumber), own);
  link.PostMessageTo(shell, kMsgControllerCommand, ControllerNotifyParam(code, kSorvelToolNumber),
                     own);
  return true;
}

bool StartATool(int tool, const QString& params, bool extra_parameter, bool elevate,
                const std::function<void()>& yield, int timeout_ms) {
  ControllerLink& link = Controller();
  if (tool == kControllerToolNumber && link.GetShellWnd() != 0) return true;
  // File names are case-sensitive here, so the path is used as given.
  const QString path = link.GetFullToolFilename(tool);
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  // The suite's tools are executables; on this platform that is the
  // executable bit rather than an ".exe" extension.
  if (!info.isFile() || !info.isExecutable()) return false;
  if (elevate) return link.LaunchProgram(path, params, true);

  QString p = params;
  if (extra_parameter) {
    if (!p.isEmpty()) p += QLatin1Char(' ');
    p += QStringLiteral("1720");
  }
  QElapsedTimer clock;
  clock.start();
  if (!link.LaunchProgram(path, p, false)) {
    BoxRequest r;
    r.name = QStringLiteral("CantStart");
    r.caption = QStringLiteral("Fatal Error");
    r.text = QStringLiteral("Can't start \r") + path;
    r.icon = BoxIcon::Warning;
    Dialogs().Show(r);
    return false;
  }
  while (true) {
    if (tool != kControllerToolNumber || link.ControllerInitialised()) return true;
    if (clock.elapsed() >= timeout_ms) return false;
    if (yield) yield();
  }
}

// --- the tool's shared lists ---

SharedToolLists& SharedToolLists::Instance() {
  static SharedToolLists lists;
  return lists;
}

QString SharedToolLists::FileOf(int kind) const {
  static const char* names[4] = {"lemma", "match", "stop", "list3"};
  if (kind < 0 || kind > 3) return QString();
  return QDir(GetUserReadWriteFolder())
      .filePath(QStringLiteral("lists/%1_%2.txt")
                    .arg(Tool_Name(kSorvelToolNumber).toLower(), QString::fromLatin1(names[kind])));
}

void SharedToolLists::Refresh(int kind) {
  if (kind < 0 || kind > 3) return;
  QStringList lines;
  QFile f(FileOf(kind));
  if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream in(&f);
    while (!in.atEnd()) {
      const QString line = in.readLine().trimmed();
      if (!line.isEmpty()) lines << line;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  lists_[kind] = lines;
}

void SharedToolLists::ClearOne(int kind) {
  if (kind < 0 || kind > 3) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lists_[kind].clear();
  }
  QFile f(FileOf(kind));
  if (f.exists()) f.resize(0);
}

QStringList SharedToolLists::List(int kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return (kind >= 0 && kind <= 3) ? lists_[kind] : QStringList();
}

// --- controller commands ---

ControllerCommandEffect ApplyControllerCommand(int code) {
  SharedToolLists& lists = SharedToolLists::Instance();
  switch (code) {
    case 233:
      return ControllerCommandEffect::ReReadLogging;
    case 234:
    case 236:
    case 238:
      lists.Refresh((code - 234) / 2);
      return ControllerCommandEffect::None;
    case 235:
    case 237:
    case 239:
      lists.ClearOne((code - 235) / 2);
      return ControllerCommandEffect::None;
    case 240:
      lists.Refresh(3);
      return ControllerCommandEffect::None;
    case 241:
      lists.ClearOne(3);
      return ControllerCommandEffect::None;
    case 1350:
      return ControllerCommandEffect::EndProgram;
    case 6120:
      global_panic_state = 1;
      AddToLogFile(LX("LXStoppingAtEndOfFile") + QLatin1Char(' ') + TimeNow());
      return ControllerCommandEffect::None;
    case 6121:
      global_panic_state = 2;
      AddToLogFile(LX("LXStoppingASAP") + QLatin1Char(' ') + TimeNow());
      return ControllerCommandEffect::None;
    case 6122:
      global_panic_state = 3;
      AddToLogFile(LX("LXPanicStop") + QLatin1Char(' ') + TimeNow());
      return ControllerCommandEffect::EndProgram;
    default:
      return ControllerCommandEffect::None;
  }
}
