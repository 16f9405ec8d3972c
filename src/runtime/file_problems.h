#pragma once
// The text that tells a user which files a run could not read or write:
// one line per file, "name: reason", names in their display form. Long
// lists are cut after `limit` lines with a line that says how many more
// there were, so that a message box stays on the screen.

#include <QString>
#include <vector>

#include "runtime/error.h"

QString FileProblemLines(const std::vector<FileProblem>& problems, int limit = 40);

// The pattern with "%1" replaced by "1 file" or "N files" (N in the user's
// locale).
QString CountOfFiles(const QString& pattern, std::size_t count);
