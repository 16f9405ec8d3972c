#pragma once
// Unfinished output removed when the command-line program is interrupted.
//
// Output that must never stand half-written (an archive, sub-corpus files)
// is written under temporary names and renamed into place once complete. A
// run interrupted by SIGINT or SIGTERM would leave those temporary files
// behind; while a PartialOutputScope lives, the signal handler removes every
// file of its folder whose name starts with its prefix, then ends the
// program as the signal would have. Outside the command-line program (no
// handler installed) the scopes cost nothing and do nothing.

#include <QString>

// Installs the handlers for SIGINT and SIGTERM (once per process).
void InstallPartialOutputCleanup();

class PartialOutputScope {
 public:
  // Files in folder whose names start with prefix are unfinished output.
  PartialOutputScope(const QString& folder, const QString& prefix);
  ~PartialOutputScope();
  PartialOutputScope(const PartialOutputScope&) = delete;
  PartialOutputScope& operator=(const PartialOutputScope&) = delete;

 private:
  int slot_ = -1;
};

// Holds back SIGINT and SIGTERM while it lives (for a step that renames a
// set of finished files into place, which must not stop half-way); a signal
// that arrived meanwhile takes effect when it ends.
class InterruptsHeldBack {
 public:
  InterruptsHeldBack();
  ~InterruptsHeldBack();
  InterruptsHeldBack(const InterruptsHeldBack&) = delete;
  InterruptsHeldBack& operator=(const InterruptsHeldBack&) = delete;
};

// Removes the files of folder whose names start with prefix (left by a run
// that was killed). Returns how many were removed.
int RemovePartialOutput(const QString& folder, const QString& prefix);
