#pragma once
// The repeated-chunk finder: cuts texts into sentences ("chunks") and counts
// the chunks that recur within and across the texts of a corpus.
//
// How a text is cut (CutTextIntoChunks):
// - A chunk ends after a sentence terminator: "." "!" "?" and the ellipsis
//   end a sentence when followed by white space or the end of the text and
//   the next word does not start with a lower-case letter; closing quotes and
//   brackets right after the terminator belong to the sentence. The full
//   stops of scripts written without spaces ("。" "！" "？" and their
//   half-width and full-width forms) and the danda end a sentence at once.
// - A "." after a single letter (initials, "U.S.") or after a common
//   abbreviation ("Dr.", "Mr.", "Fig.", "No." ...) does not end a sentence,
//   nor does a "." inside a word or number ("3.14", "www.example.org").
// - Markup: from "<" to the first ">" within the tag span is a tag and is
//   skipped, when a name, "/", "!" or "?" follows the "<" at once; any other
//   "<" ("a < b"), or one without a ">" that close, is ordinary text. Tags of inline
//   markup (b, i, a, span, em, strong, font ...) vanish without a trace; any
//   other tag (p, br, li, div, td, h1, s, doc ...) ends the chunk, because
//   block markup separates the pieces of a page such as navigation items.
// - A blank line ends the chunk too. A chunk that ends without a terminator
//   (at a blank line, at block markup, at the end of the text, or because it
//   grew past kMaxChunkLength) is "unterminated".
// - The chunk's text is normalised: every run of white space (line breaks
//   included) becomes one space, and there is none at either end. Case is
//   kept. Its length, for "minimum length", is counted in characters of this
//   normalised text.
//
// Counting: each chunk is keyed by a 64-bit hash of its normalised text. A
// chunk seen once costs one small table slot (hash, first file); its text is
// kept only from its second hit on. Memory therefore grows with the number of
// distinct chunks, never with the size of the corpus.
//
// Use: Clear, SetSettings, then for each file LoadATextFile and
// AddToRepeatedSentencesInTxt, then SortDescendingFreq or
// SortAScendingFilenumbers, which also drop the chunks below minimum hits.
// Stop may be called from another thread.

#include <QString>
#include <QStringView>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "boilerplate/chunk_lists.h"
#include "runtime/file_list.h"

constexpr int kMaxChunkLength = 2000;

struct TChunkRules {
  int tag_span = 200;  // 0 or less: no markup is recognised
};

// Calls found(chunk, terminated, position) for each chunk of text, in order;
// chunk is the normalised text and is only valid during the call, position
// is about where in text the chunk ended. Empty chunks are never reported.
void CutTextIntoChunks(
    QStringView text, const TChunkRules& rules,
    const std::function<void(QStringView chunk, bool terminated, qsizetype position)>& found);

class TRepeatedChunks {
 public:
  using ProgressFunc = std::function<bool(int percent)>;
  using CountFunc = std::function<void(int count)>;

  TRepeatedChunks() = default;
  TRepeatedChunks(const TRepeatedChunks&) = delete;
  TRepeatedChunks& operator=(const TRepeatedChunks&) = delete;

  // Empties the chunk list, the file list and the counts; clears a stop.
  void Clear();
  // minimum hits below 2 is taken as 2, minimum length below 1 as 1.
  // progress_in_file reports within a long text, progress_overall over the
  // files; count_reporter gets the running number of chunks that have reached
  // minimum hits. Any of the three may be empty.
  void SetSettings(bool include_unterminated, int tag_span, int min_hits, int min_length,
                   ProgressFunc progress_in_file, ProgressFunc progress_overall,
                   CountFunc count_reporter);
  // Reads a text; returns its file number (0 or more) or -1 when the file
  // cannot be read or a stop was asked.
  int LoadATextFile(const QString& file_name);
  // Cuts the loaded text with that number into chunks and counts them.
  // file_count is the number of files of the whole run, for progress.
  void AddToRepeatedSentencesInTxt(int text_number, int file_count);
  // Total hits, highest first (ties: earlier first file, then text).
  void SortDescendingFreq();
  // By the file numbers of the occurrences, ascending (ties: more hits first).
  void SortAScendingFilenumbers();
  void Stop() { stop_.store(true, std::memory_order_relaxed); }
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

  // Results, valid after a sort.
  const boiler::TStringlistWithListOfOccurrences& Chunks() const { return chunks_; }
  const TFolderEfficientFileStringlist& ChunkFiles() const { return files_; }
  boiler::T1LongintList& RowOrder() { return row_order_; }
  const boiler::T1LongintList& RowOrder() const { return row_order_; }

  // Distinct chunks seen so far (each counted once, repeated or not).
  std::int64_t DistinctChunks() const { return distinct_; }
  int MinHits() const { return min_hits_; }

 private:
  struct Slot {
    std::uint64_t key = 0;  // 0: empty
    std::int32_t file = 0;  // the file of the first hit
    std::int32_t rec = -1;  // index into records_ once the chunk has 2 hits
  };
  struct Record {
    QString text;
    boiler::T2LongintList occurrences;
    std::int64_t total = 0;
  };

  void CountChunk(QStringView chunk, std::int32_t file);
  Slot& FindSlot(std::uint64_t key);
  void Grow();
  void Finish();

  bool include_unterminated_ = false;
  TChunkRules rules_;
  int min_hits_ = 2;
  int min_length_ = 20;
  ProgressFunc progress_in_file_;
  ProgressFunc progress_overall_;
  CountFunc count_reporter_;

  std::vector<Slot> table_;
  std::size_t used_ = 0;
  std::vector<Record> records_;
  std::int64_t distinct_ = 0;
  int reached_ = 0;
  int reported_ = -1;
  int last_overall_ = -1;
  bool dirty_ = false;

  QString loaded_;
  int loaded_number_ = -1;

  boiler::TStringlistWithListOfOccurrences chunks_;
  TFolderEfficientFileStringlist files_;
  boiler::T1LongintList row_order_;
  std::atomic<bool> stop_{false};
};
