#pragma once
// The exception type that engines raise for faults the caller must hear of:
// an unreadable file, a reference that cannot be built, an internal fault.

#include <QString>
#include <stdexcept>

#include "runtime/native_names.h"

class SorvelError : public std::runtime_error {
 public:
  explicit SorvelError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

// A file that exists but could not be opened or read. The message shows the
// path in its display form; Path() keeps its bytes.
class FileReadError : public SorvelError {
 public:
  FileReadError(const QString& path, const QString& reason)
      : SorvelError(QStringLiteral("Cannot read \"%1\": %2").arg(DisplayName(path), reason)),
        path_(path),
        reason_(reason) {}
  const QString& Path() const { return path_; }
  const QString& Reason() const { return reason_; }

 private:
  QString path_;
  QString reason_;
};

// A file that a run could not read or write, and why; runs go on past such
// files and list them at the end.
struct FileProblem {
  QString file;
  QString reason;
};
