#pragma once
// Every message box and question goes through one interface. The desktop
// program shows real boxes (on its window thread, whichever thread asks),
// tests answer from a script, and the command-line tool writes to stderr and
// answers questions from its flags.
//
// The named boxes below are the suite's shared ones; each builds its text and
// hands a request to the current interface.

#include <QString>
#include <QStringList>
#include <deque>
#include <mutex>
#include <vector>

#include "runtime/error.h"

// Modal results, numbered as the suite numbers them.
enum ModalResult : int { mrNone = 0, mrOK = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

enum class BoxButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class BoxIcon { Information, Warning, Error, Question };

struct BoxRequest {
  QString name;     // the named box, such as "FailedToFind"
  QString caption;  // window title
  QString text;
  BoxButtons buttons = BoxButtons::OK;
  BoxIcon icon = BoxIcon::Information;
  int help_context = 0;
};

class DialogInterface {
 public:
  virtual ~DialogInterface() = default;
  // Shows the box and returns the modal result. May be called from any thread.
  virtual int Show(const BoxRequest& request) = 0;
};

// The interface in use; a fresh process has one that answers every question
// with Cancel/No and prints nothing, so that nothing is done by accident.
DialogInterface& Dialogs();
// Installs an interface (not owned); nullptr restores the default.
void SetDialogInterface(DialogInterface* dialogs);

// Answers from a script, records every request. For tests.
class ScriptedDialogs : public DialogInterface {
 public:
  int Show(const BoxRequest& request) override;
  // Queues the answer for the next question; questions beyond the script get
  // default_answer, information boxes get mrOK.
  void QueueAnswer(int result);
  int default_answer = mrCancel;
  std::vector<BoxRequest> Shown() const;
  QStringList ShownNames() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<BoxRequest> shown_;
};

// Writes boxes to stderr; questions are answered Yes/OK when assume_yes is
// set and No/Cancel otherwise. For the command-line tool.
class ConsoleDialogs : public DialogInterface {
 public:
  explicit ConsoleDialogs(bool assume_yes) : assume_yes_(assume_yes) {}
  int Show(const BoxRequest& request) override;
  bool quiet_information = false;

 private:
  bool assume_yes_;
};

// --- the suite's named boxes ---
void FormNotFilled(const QString& what_is_missing, int help_context = 0);
void ReportedAFact(const QString& fact, int help_context = 0);
int OKToDoX(const QString& x, int help_context = 0);                  // OK or Cancel
int DoYouWantToDoX(const QString& x, int help_context = 0);           // Yes or No
int WarnAboutAndASKOK(const QString& warning, int help_context = 0);  // OK or Cancel
void NFilesCopiedOrMoved(int n, bool moved, const QString& where, int help_context = 0);
int SavedOKOpenNow(const QString& path, int help_context = 0);  // Yes or No
void FailedToFind(const QString& what, int help_context = 0);
void FailedToRead(const QString& what, int help_context = 0);
// The files a run went on past, each with its reason, under a heading that
// says what could not be done with them ("Could not read 3 files:").
void FilesWithProblems(const QString& heading, const std::vector<FileProblem>& problems,
                       int help_context = 0);
// reason, when given, says why (the system's error text).
void FailedToRename(const QString& from, const QString& to, int help_context = 0,
                    const QString& reason = {});
void NoCorruptFilesFound(int help_context = 0);
void ReferenceTextTooShort(const QString& reference_files, int help_context = 0);
void NotImplemented(int help_context = 0);
// The same, naming what is not implemented.
void NotImplemented(const QString& what, int help_context);
