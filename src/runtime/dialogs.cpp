#include "runtime/dialogs.h"

#include <atomic>
#include <cstdio>

#include "runtime/file_problems.h"
#include "runtime/messages.h"

namespace {

bool IsQuestion(BoxButtons b) { return b != BoxButtons::OK; }

class SilentDialogs : public DialogInterface {
 public:
  int Show(const BoxRequest& request) override {
    if (!IsQuestion(request.buttons)) return mrOK;
    return request.buttons == BoxButtons::YesNo ? mrNo : mrCancel;
  }
};

SilentDialogs g_silent;
std::atomic<DialogInterface*> g_dialogs{nullptr};

int Ask(const char* name, const QString& text, BoxButtons buttons, BoxIcon icon, int help_context,
        const QString& caption = QString()) {
  BoxRequest r;
  r.name = QString::fromLatin1(name);
  r.caption = caption.isEmpty() ? Tool_Name(kSorvelToolNumber) : caption;
  r.text = text;
  r.buttons = buttons;
  r.icon = icon;
  r.help_context = help_context;
  return Dialogs().Show(r);
}

}  // namespace

DialogInterface& Dialogs() {
  DialogInterface* d = g_dialogs.load();
  return d ? *d : g_silent;
}

void SetDialogInterface(DialogInterface* dialogs) { g_dialogs.store(dialogs); }

int ScriptedDialogs::Show(const BoxRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.push_back(request);
  if (!IsQuestion(request.buttons)) return mrOK;
  if (answers_.empty()) return default_answer;
  const int a = answers_.front();
  answers_.pop_front();
  return a;
}

void ScriptedDialogs::QueueAnswer(int result) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(result);
}

std::vector<BoxRequest> ScriptedDialogs::Shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

QStringList ScriptedDialogs::ShownNames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  QStringList names;
  for (const auto& r : shown_) names << r.name;
  return names;
}

void ScriptedDialogs::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.clear();
  answers_.clear();
}

int ConsoleDialogs::Show(const BoxRequest& request) {
  const bool question = IsQuestion(request.buttons);
  if (!question && quiet_information && request.icon == BoxIcon::Information) return mrOK;
  int answer = mrOK;
  if (question) {
    const bool yes_no =
        request.buttons == BoxButtons::YesNo || request.buttons == BoxButtons::YesNoCancel;
    answer = assume_yes_ ? (yes_no ? mrYes : mrOK) : (yes_no ? mrNo : mrCancel);
  }
  QString line = request.text;
  line.replace(QLatin1Char('\r'), QString());
  if (question) {
    line += assume_yes_ ? QStringLiteral(" [answered yes: --yes]")
                        : QStringLiteral(" [answered no: pass --yes to agree]");
  }
  const char* prefix = request.icon == BoxIcon::Error     ? "error: "
                       : request.icon == BoxIcon::Warning ? "warning: "
                                                          : "";
  std::fprintf(stderr, "%s%s\n", prefix, line.toLocal8Bit().constData());
  std::fflush(stderr);
  return answer;
}

void FormNotFilled(const QString& what_is_missing, int help_context) {
  Ask("FormNotFilled", QStringLiteral("Please fill in: %1").arg(what_is_missing), BoxButtons::OK,
      BoxIcon::Warning, help_context);
}

void ReportedAFact(const QString& fact, int help_context) {
  Ask("ReportedAFact", fact, BoxButtons::OK, BoxIcon::Information, help_context);
}

int OKToDoX(const QString& x, int help_context) {
  return Ask("OKToDoX", QStringLiteral("OK to %1?").arg(x), BoxButtons::OKCancel, BoxIcon::Question,
             help_context);
}

int DoYouWantToDoX(const QString& x, int help_context) {
  return Ask("DoYouWantToDoX", QStringLiteral("Do you want to %1?").arg(x), BoxButtons::YesNo,
             BoxIcon::Question, help_context);
}

int WarnAboutAndASKOK(const QString& warning, int help_context) {
  return Ask("WarnAboutAndASKOK", warning + QStringLiteral("\r\nOK to go ahead?"),
             BoxButtons::OKCancel, BoxIcon::Warning, help_context);
}

void NFilesCopiedOrMoved(int n, bool moved, const QString& where, int help_context) {
  QString text = QStringLiteral("%1 file%2 %3")
                     .arg(n)
                     .arg(n == 1 ? QString() : QStringLiteral("s"),
                          moved ? QStringLiteral("moved") : QStringLiteral("copied"));
  if (!where.isEmpty()) text += QStringLiteral(" to ") + where;
  Ask("NFilesCopiedOrMoved", text, BoxButtons::OK, BoxIcon::Information, help_context);
}

int SavedOKOpenNow(const QString& path, int help_context) {
  return Ask("SavedOKOpenNow", QStringLiteral("Saved %1.\r\nOpen it now?").arg(path),
             BoxButtons::YesNo, BoxIcon::Question, help_context);
}

void FailedToFind(const QString& what, int help_context) {
  Ask("FailedToFind", QStringLiteral("Failed to find %1").arg(what), BoxButtons::OK, BoxIcon::Error,
      help_context);
}

void FailedToRead(const QString& what, int help_context) {
  Ask("FailedToRead", QStringLiteral("Failed to read %1").arg(what), BoxButtons::OK, BoxIcon::Error,
      help_context);
}

void FilesWithProblems(const QString& heading, const std::vector<FileProblem>& problems,
                       int help_context) {
  if (problems.empty()) return;
  Ask("FilesWithProblems", heading + QStringLiteral("\r\n\r\n") + FileProblemLines(problems),
      BoxButtons::OK, BoxIcon::Error, help_context);
}

void FailedToRename(const QString& from, const QString& to, int help_context,
                    const QString& reason) {
  QString text = QStringLiteral("Failed to rename %1 as %2").arg(from, to);
  if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
  Ask("FailedToRename", text, BoxButtons::OK, BoxIcon::Error, help_context);
}

void NoCorruptFilesFound(int help_context) {
  Ask("NoCorruptFilesFound", QStringLiteral("No corrupt files found."), BoxButtons::OK,
      BoxIcon::Information, help_context);
}

void ReferenceTextTooShort(const QString& reference_files, int help_context) {
  QString list = reference_files.trimmed();
  if (list.isEmpty()) list = QStringLiteral("(no files chosen)");
  Ask("ReferenceTextTooShort",
      QStringLiteral("The known-good reference text is too short to give a digraph profile:\r\n%1")
          .arg(list),
      BoxButtons::OK, BoxIcon::Warning, help_context);
}

void NotImplemented(int help_context) {
  Ask("NotImplemented", QStringLiteral("Not implemented yet."), BoxButtons::OK,
      BoxIcon::Information, help_context);
}

void NotImplemented(const QString& what, int help_context) {
  Ask("NotImplemented", QStringLiteral("Not implemented yet: %1.").arg(what), BoxButtons::OK,
      BoxIcon::Information, help_context);
}
