#include "crash/crash_reporter_gui.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <ucontext.h>

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <backward.hpp>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <typeinfo>

#include "runtime/messages.h"
#include "ui_kit/help_router_gui.h"

// --- the stack where an exception is thrown ---
//
// By the time a handler catches an exception, the frames that threw it are
// gone. Every throw therefore passes through this wrapper, which keeps the
// throwing thread's stack (addresses only; they are resolved when a report
// needs them) before handing over to the runtime's own throw.

namespace {
thread_local backward::StackTrace* tl_throw_trace = nullptr;

backward::StackTrace& ThrowTrace() {
  if (!tl_throw_trace) tl_throw_trace = new backward::StackTrace();
  return *tl_throw_trace;
}

using CxaThrow = void (*)(void*, std::type_info*, void (*)(void*));
}  // namespace

namespace __cxxabiv1 {
extern "C" void __cxa_throw(void* thrown, std::type_info* type, void (*destructor)(void*)) {
  static CxaThrow real = reinterpret_cast<CxaThrow>(dlsym(RTLD_NEXT, "__cxa_throw"));
  ThrowTrace().load_here(64);
  real(thrown, type, destructor);
  __builtin_unreachable();
}
}  // namespace __cxxabiv1

namespace {

// The index of the first frame after the one in `function` (a function this
// program exports, so that dladdr names its start), or 0 when no frame is in
// it. Frames are told apart by the function they are in, not counted: an
// optimised build inlines some of them away.
size_t FirstFrameAfter(const backward::StackTrace& st, const void* function) {
  for (size_t i = 0; i < st.size(); ++i) {
    Dl_info info{};
    if (dladdr(st[i].addr, &info) != 0 && info.dli_saddr == function) return i + 1;
  }
  return 0;
}

QString Resolve(backward::StackTrace& st, size_t skip) {
  backward::TraceResolver resolver;
  resolver.load_stacktrace(st);
  QString out;
  int n = 0;
  for (size_t i = skip; i < st.size(); ++i) {
    const backward::ResolvedTrace t = resolver.resolve(st[i]);
    QString line = QStringLiteral("#%1 ").arg(n++, 2);
    line += t.object_function.empty() ? QStringLiteral("??")
                                      : QString::fromStdString(t.object_function);
    if (!t.source.filename.empty()) {
      line += QStringLiteral(" at %1:%2")
                  .arg(QString::fromStdString(t.source.filename))
                  .arg(t.source.line);
    } else if (!t.object_filename.empty()) {
      line +=
          QStringLiteral(" in ") + QFileInfo(QString::fromStdString(t.object_filename)).fileName();
    }
    out += line + QLatin1Char('\n');
  }
  return out;
}

QString Demangle(const char* name) {
  int status = 0;
  char* d = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  QString s = QString::fromLatin1(status == 0 && d ? d : name);
  std::free(d);
  return s;
}

QString DefaultReportFileName() {
  return Tool_Name(kSorvelToolNumber) + QStringLiteral("-error-") +
         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) +
         QStringLiteral(".elf");
}

void DefaultPresenter(const ExceptionRecord& record, const CrashReporter::Actions& actions) {
  QDialog dlg(QApplication::activeWindow());
  dlg.setObjectName(QStringLiteral("CrashReportDialog"));
  dlg.setWindowTitle(Tool_Name(kSorvelToolNumber) + QStringLiteral(" error report"));
  dlg.resize(640, 420);
  auto* layout = new QVBoxLayout(&dlg);
  auto* intro = new QLabel(
      QStringLiteral("Something went wrong: the last action was stopped, and the program "
                     "goes on.\nYou can save this report in %1 or send it by e-mail.")
          .arg(QDir::toNativeSeparators(record.report_folder)));
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* text = new QPlainTextEdit(record.ReportText());
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(text, 1);
  auto* result = new QLabel;
  layout->addWidget(result);
  auto* buttons = new QDialogButtonBox;
  QPushButton* save =
      buttons->addButton(QStringLiteral("Save report"), QDialogButtonBox::ActionRole);
  QPushButton* mail =
      buttons->addButton(QStringLiteral("Send by e-mail"), QDialogButtonBox::ActionRole);
  buttons->addButton(QDialogButtonBox::Close);
  layout->addWidget(buttons);
  QObject::connect(save, &QPushButton::clicked, &dlg, [&] {
    result->setText(actions.save()
                        ? QStringLiteral("Saved as ") + CrashReporter::ReportPath(record)
                        : QStringLiteral("Could not save the report in ") + record.report_folder);
  });
  QObject::connect(mail, &QPushButton::clicked, &dlg, [&] {
    result->setText(actions.mail() ? QStringLiteral("Handed to your mail program.")
                                   : QStringLiteral("No mail program could be started."));
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  dlg.exec();
}

}  // namespace

[[gnu::noinline]] QString CurrentStackTrace(int skip_frames) {
  backward::StackTrace st;
  st.load_here(64 + skip_frames);
  return Resolve(st, 2 + static_cast<size_t>(skip_frames));
}

QStringList LoadedModules() {
  // Each mapped file of the process, in the order of the map (which follows
  // the load order of the program and its libraries).
  QStringList modules;
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly | QIODevice::Text)) return modules;
  QSet<QString> seen;
  const QList<QByteArray> lines = maps.readAll().split('\n');
  for (const QByteArray& line : lines) {
    const int slash = line.indexOf('/');
    if (slash < 0) continue;
    const QString path = QString::fromLocal8Bit(line.mid(slash)).trimmed();
    if (seen.contains(path)) continue;
    seen.insert(path);
    modules << QFileInfo(path).fileName();
  }
  return modules;
}

ExceptionRecord RecordCurrentException() {
  ExceptionRecord r;
  const std::type_info* type = abi::__cxa_current_exception_type();
  r.exception_class = type ? Demangle(type->name()) : QStringLiteral("unknown exception");
  try {
    throw;
  } catch (const std::exception& e) {
    r.message = QString::fromUtf8(e.what());
  } catch (...) {
  }
  // The trace starts at the function that threw, below the throw wrapper.
  const void* wrapper = reinterpret_cast<void*>(&__cxxabiv1::__cxa_throw);
  r.stack_trace = Resolve(ThrowTrace(), FirstFrameAfter(ThrowTrace(), wrapper));
  r.modules = LoadedModules();
  r.report_folder = ReportFolderOption();
  r.report_file = DefaultReportFileName();
  return r;
}

CrashReporter& CrashReporter::Instance() {
  static CrashReporter* reporter = new CrashReporter();
  return *reporter;
}

CrashReporter::CrashReporter() : presenter_(DefaultPresenter) {}

void CrashReporter::SetPresenter(Presenter presenter) {
  presenter_ = presenter ? std::move(presenter) : Presenter(DefaultPresenter);
}

QString CrashReporter::ReportPath(const ExceptionRecord& record) {
  return QDir(record.report_folder)
      .filePath(QFileInfo(record.report_file).completeBaseName() + QStringLiteral(".elf"));
}

bool CrashReporter::SaveReport(ExceptionRecord& record) {
  if (!Stage(record, kStageSaving)) return false;
  const QString path = ReportPath(record);
  // A report never replaces an earlier one.
  QFile f(path);
  if (f.exists() || !QDir().mkpath(record.report_folder) ||
      !f.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
      f.write(record.ReportText().toUtf8()) < 0 || !f.flush()) {
    Failed(record, kStageSaving);
    return false;
  }
  f.close();
  Stage(record, kStageSaved);
  return true;
}

bool CrashReporter::MailReport(ExceptionRecord& record) {
  if (!Stage(record, kStageMailing)) return false;
  QUrl url(QStringLiteral("mailto:"));
  QUrlQuery q;
  q.addQueryItem(
      QStringLiteral("subject"),
      Tool_Name(kSorvelToolNumber) + QStringLiteral(" error report: ") + record.exception_class);
  // Mail programs take a limited length from a mailto: address.
  q.addQueryItem(QStringLiteral("body"), record.ReportText().left(1800));
  url.setQuery(q);
  if (!HelpRouter::OpenUrl(url)) {
    Failed(record, kStageMailing);
    return false;
  }
  Stage(record, kStageMailed);
  return true;
}

bool CrashReporter::Stage(ExceptionRecord& record, int stage) {
  bool go_on = false;
  const auto& ev = ExceptionReportEvents();
  if (ev.OnActionNotify) {
    ev.OnActionNotify(record, stage, go_on);
  } else {
    go_on = true;
  }
  return go_on;
}

void CrashReporter::Failed(ExceptionRecord& record, int stage) {
  const auto& ev = ExceptionReportEvents();
  if (ev.OnActionFailed) ev.OnActionFailed(record, stage, 0);
}

void CrashReporter::Report(ExceptionRecord record) {
  if (QThread::currentThread() == thread()) {
    ReportHere(record);
  } else {
    QMetaObject::invokeMethod(
        this, [this, &record] { ReportHere(record); }, Qt::BlockingQueuedConnection);
  }
}

void CrashReporter::ReportHere(ExceptionRecord& record) {
  if (record.report_folder.isEmpty()) record.report_folder = ReportFolderOption();
  if (record.report_file.isEmpty()) record.report_file = DefaultReportFileName();
  bool handled = false;
  const auto& ev = ExceptionReportEvents();
  if (ev.OnExceptionNotify) {
    ev.OnExceptionNotify(record, handled);
  } else {
    handled = true;
  }
  if (!handled) return;
  std::fprintf(stderr, "%s\n", record.ReportText().toLocal8Bit().constData());
  if (reporting_) return;  // a fault inside the report window: stderr only
  reporting_ = true;
  if (Stage(record, kStageShowing)) {
    Actions actions;
    actions.save = [this, &record] { return SaveReport(record); };
    actions.mail = [this, &record] { return MailReport(record); };
    try {
      presenter_(record, actions);
      Stage(record, kStageShown);
    } catch (...) {
      Failed(record, kStageShowing);
    }
  }
  reporting_ = false;
}

// --- fatal signals ---

namespace {
const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV (invalid memory access)";
    case SIGABRT:
      return "SIGABRT (abort)";
    case SIGFPE:
      return "SIGFPE (arithmetic fault)";
    case SIGILL:
      return "SIGILL (illegal instruction)";
    case SIGBUS:
      return "SIGBUS (bus error)";
    default:
      return "fatal signal";
  }
}

// The stack of the interrupted code, from the instruction the signal stopped
// (the handler's own frames left out, however many an optimised build kept).
QString FaultStackTrace(siginfo_t* info, void* context) {
  void* fault = nullptr;
#if defined(__x86_64__)
  fault = reinterpret_cast<void*>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  fault = reinterpret_cast<void*>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#endif
  backward::StackTrace st;
  if (!fault) return CurrentStackTrace(3);
  st.load_from(fault, 64, context, info ? info->si_addr : nullptr);
  return Resolve(st, 0);
}

void FatalSignal(int sig, siginfo_t* info, void* context) {
  // The program is going down; the report is written as far as it can be.
  ExceptionRecord r;
  r.exception_class = QString::fromLatin1(SignalName(sig));
  r.fatal = true;
  r.stack_trace = FaultStackTrace(info, context);
  r.modules = LoadedModules();
  r.report_folder = ReportFolderOption();
  r.report_file = DefaultReportFileName();
  bool handled = false;
  const auto& ev = ExceptionReportEvents();
  if (ev.OnExceptionNotify)
    ev.OnExceptionNotify(r, handled);
  else
    handled = true;
  if (handled) {
    bool go_on = true;
    if (ev.OnActionNotify) ev.OnActionNotify(r, kStageShowing, go_on);
    if (go_on) std::fprintf(stderr, "%s\n", r.ReportText().toLocal8Bit().constData());
    if (CrashReporter::Instance().SaveReport(r)) {
      std::fprintf(
          stderr, "The report was saved as %s\n",
          QDir::toNativeSeparators(CrashReporter::ReportPath(r)).toLocal8Bit().constData());
    }
    go_on = true;
    if (ev.OnActionNotify) ev.OnActionNotify(r, kStageQuitting, go_on);
  }
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}
}  // namespace

void CrashReporter::InstallFatalSignalHandlers() {
  // The handler resolves the stack with the debug information, which needs
  // far more stack than a minimal signal stack: give it 8 MiB (left
  // untouched, so it costs no memory until used).
  constexpr std::size_t kAltStackSize = std::size_t(8) << 20;
  static char* alt_stack = new char[kAltStackSize];
  stack_t ss{};
  ss.ss_sp = alt_stack;
  ss.ss_size = kAltStackSize;
  sigaltstack(&ss, nullptr);
  struct sigaction sa {};
  sa.sa_sigaction = FatalSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS}) sigaction(sig, &sa, nullptr);
}

// --- the application object ---

SorvelApplication::SorvelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool SorvelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ExceptionRecord record = RecordCurrentException();
    CrashReporter& reporter = CrashReporter::Instance();
    reporter.Report(record);
    if (reporter.after_handler_exception) reporter.after_handler_exception();
    return false;
  }
}
