#pragma once
// The sub-corpus builder: regroups the texts of a corpus by date. Every file
// found is given a period by its modification time (a decade, year, month,
// week, day or hour) and appended, framed by numbered tags, to the one
// sub-corpus file of that period. Sub-corpus files are UTF-16 little-endian
// with a byte-order mark and CR LF line ends, and carry a date inside their
// period. Runs without any window.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/error.h"
#include "runtime/file_walker.h"
#include "runtime/panic.h"
#include "sampling/time_line_base.h"

constexpr int kSubCorporaHelpContext = 6280;

// The folders a source-folder text names. One folder gives itself. Several,
// separated by ";", share a head: the first is the head folder, and each
// further name that is not a full path is a folder under that head, so
// "/corpus;news;sport" gives /corpus/news and /corpus/sport. Full paths among
// the further names stand for themselves. Blanks around names and trailing
// delimiters are dropped; a folder named twice is searched once.
QStringList FoldersFromSameHead(const QString& source_text);

struct SubCorpusPeriod {
  QString name;     // file name without ".txt", such as "1997_03"
  QDateTime stamp;  // date given to the sub-corpus file (local time)
};

// The period of a text's date for a time-line base; none for the bases that
// give no sub-corpus (millennium, century, minute, second and the custom
// ones). Weeks are seven-day blocks from 1 January: days 1-6 of the year are
// week 00, days 7-13 week 01. Date-only stamps are set at noon, so that the
// day survives any shift of time zone in the tools that show it.
std::optional<SubCorpusPeriod> SubCorpusPeriodOf(int time_line_base, const QDateTime& date);

// The Wednesday of date's month with the same occurrence number as date (the
// 3rd Wednesday for a 3rd Friday), or date itself when the month has none.
QDate MatchingWednesday(const QDate& date);

// Results folder + the base's display name.
QString SubCorpusOutputFolder(const QString& results_folder, int time_line_base);

struct SubCorpusRequest {
  QString source_text;  // one folder, or several from the same head
  QString results_folder;
  QString file_mask = QStringLiteral("*.*");
  int time_line_base = tlbYear;
};

struct SubCorpusProgress {
  std::function<void(int percent)> percent;
  std::function<void(const QString& status)> status;
  // Texts done of the texts found so far (over the folders searched until
  // then), every hundred texts and at the end of each folder.
  std::function<void(long long done, long long total)> count;
};

// True for the bases the builder cannot group by (custom ones).
bool IsCustomTimeLineBase(int time_line_base);

struct SubCorpusOutcome {
  int files_saved = 0;
  int texts_found = 0;    // files the walks found, in every folder searched
  int texts_read = 0;     // of those, the files read before the run ended
  bool finished = false;  // false: stopped or failed, and no file was written
  QString unfinished;     // what was not done, for the user (when not finished)
  // The files written, in name order, with the number of texts each holds.
  struct WrittenFile {
    QString path;
    int texts = 0;
  };
  std::vector<WrittenFile> written;
  QStringList walk_problems;                    // folders that could not be read, names skipped
  std::vector<FileProblem> walk_file_problems;  // the same, by file and reason
};

// The line that ends a build: "Checked 120 files: 14 sub-corpus files
// written", "Stopped after 40 of 120 files", or, when the run failed, what
// it had read and that nothing was written.
QString SubCorpusRunSummary(const SubCorpusOutcome& outcome, bool failed = false);

// The prefix of the temporary names under which a run writes its sub-corpus
// files in the output folder.
QString SubCorpusPartialPrefix();

// Runs the build. Each folder of the source text is searched with its
// sub-folders (from no folder exclusion) and its files are processed in name
// order; files inside the output folder itself (sub-corpora of an earlier
// run, when the results folder lies in the corpus) are left out.
//
// Every sub-corpus file is written under a temporary name and renamed into
// place only when the whole run is complete, so a run that is stopped (stop,
// or the global stop state), fails or is killed leaves the files of earlier
// runs exactly as they were; temporary files of a killed run are removed by
// the next run. Returns the number of sub-corpus files written (0 when the
// run did not finish); outcome, when given, says what was not finished and
// lists the problems of the walk. Throws SorvelError for a custom base and
// FileReadError/SorvelError when a text cannot be read or a sub-corpus file
// cannot be written (with no file written).
int BuildSubCorpora(FileWalker& iterator, const SubCorpusRequest& request,
                    const SubCorpusProgress& progress = {}, StopFlag* stop = nullptr,
                    SubCorpusOutcome* outcome = nullptr);
