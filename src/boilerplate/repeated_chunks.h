#pragma once
// The repeated-chunk finder: cuts texts into sentences ("chunks") and counts
// the chunks that recur within and across the texts of a corpus.
//
// How a text is cut (ChunkCutter, CutTextIntoChunks):
// - Markup first: from "<" to the first ">" within the tag span is a tag
//   when a name, "/", "!" or "?" follows the "<" at once; any other "<"
//   ("a < b", "x.<3"), or one without a ">" that close, is ordinary text. Tags
//   of inline markup (b, i, a, span, em, strong, font ...) vanish without a
//   trace, as if they had never been in the text; any other tag (p, br, li,
//   div, td, h1, s, doc ...) ends the chunk, because block markup separates
//   the pieces of a page such as navigation items.
// - A run of "." "!" "?" "…" (closing quotes and brackets right after it
//   belong to it) ends a sentence when white space, block markup or the end
//   of the text follows, except when the white space holds no line break and
//   the next word starts with a lower-case letter. So "3.14",
//   "www.example.org" and "Buffer</span>.<span>alloc" hold no sentence end,
//   and a stop at the end of a line always ends one.
// - A lone "." after a single letter (initials, "U.S.", "A.C.)") or after a
//   common abbreviation ("Dr.", "Mr.", "Fig.", "No." ...) never ends a
//   sentence.
// - The full stops of scripts written without spaces ("。" "！" "？" and
//   their half-width and full-width forms) and the danda end a sentence at
//   once, with any closers right after them.
// - A blank line ends the chunk too. A chunk that ends without a sentence end
//   (at a blank line, at block markup, at the end of the text) is
//   "unterminated".
// - A chunk that reaches kMaxChunkLength characters is cut at its last space:
//   the part before is an unterminated chunk, the words after it begin the
//   next chunk. Without any space in it (a data blob, a script written
//   without spaces) it is cut at kMaxChunkLength exactly.
// - The chunk's text is normalised: every run of white space (line breaks
//   included) becomes one space, and there is none at either end. Case is
//   kept. Its length, for "minimum length", is counted in UTF-16 code units
//   of this normalised text.
//
// Counting: each chunk is keyed by a 64-bit hash of its normalised text. A
// chunk seen once costs one table slot (hash, first file); its text is kept
// only from its second hit on. Memory therefore grows with the number of
// distinct chunks, never with the size of a text: texts are read, cut and
// hashed as a stream, on every core, and counted in file order.
//
// Use: Clear, SetSettings, then AddTextFiles with the files in order (or, one
// file at a time, LoadATextFile and AddToRepeatedSentencesInTxt), then
// SortDescendingFreq or SortAScendingFilenumbers, which also drop the chunks
// below minimum hits. Stop may be called from another thread.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

#include "boilerplate/chunk_lists.h"
#include "runtime/error.h"
#include "runtime/file_list.h"

constexpr int kMaxChunkLength = 2000;

struct ChunkRules {
  int tag_span = 200;  // 0 or less: no markup is recognised
};

// The 64-bit key of a chunk's text; never 0.
std::uint64_t ChunkHash(const char16_t* text, std::size_t length);

// Chunks cut from a text, with their keys and normalised texts.
struct CutChunk {
  std::uint64_t key;
  std::size_t offset;  // into the batch's text
  std::uint32_t length;
  bool terminated;
};

struct CutChunkBatch {
  std::vector<CutChunk> chunks;
  std::vector<char16_t> text;
  QStringView TextOf(const CutChunk& c) const {
    return QStringView(text.data() + c.offset, static_cast<qsizetype>(c.length));
  }
};

// Cuts one text, fed in pieces of any size, into chunks. The chunks that are
// kept (terminated ones, unterminated ones too when asked, each at least
// min_length long) are gathered with their keys until ClearChunks. A piece
// boundary never changes the result: markup and sentence ends that straddle
// two pieces are decided once enough of the text has come.
class ChunkCutter {
 public:
  ChunkCutter(const ChunkRules& rules, bool keep_unterminated, int min_length);
  void Feed(const char16_t* text, qsizetype n);
  // The end of the text: the last chunk is cut; the cutter is then ready for
  // the next text.
  void Finish();

  // Hands over the chunks gathered so far (the one being cut stays).
  void TakeChunks(CutChunkBatch* out);
  // Code units held for the gathered chunks.
  std::size_t HeldUnits() const { return text_.size(); }

 private:
  enum class Run { None, Spaced, Closers, Immediate };

  qsizetype Process(const char16_t* s, qsizetype n, bool final);
  void Space(char16_t c);
  void Visible(char16_t c);
  void Boundary();
  void Put(char16_t c);
  void CutOverlong();
  bool RunEndsSentence() const;
  void Emit(bool terminated);
  std::size_t ChunkLength() const { return text_.size() - start_; }

  int tag_span_;
  bool keep_unterminated_;
  std::size_t min_length_;

  std::vector<char16_t> text_;  // kept chunks, then the chunk being cut from start_ on
  std::size_t start_ = 0;
  std::vector<CutChunk> chunks_;
  std::vector<char16_t> carry_;  // input waiting for more text (a "<" whose tag may close later)

  bool space_pending_ = false;
  int line_feeds_ = 0;  // line feeds in the white space since the last visible character
  Run run_ = Run::None;
  bool lone_dot_ = false;     // the run is a single "."
  std::size_t run_at_ = 0;    // where the run starts in text_
  bool end_pending_ = false;  // a run followed by white space: the next word decides
};

// Calls found(chunk, terminated) for each chunk of text, in order; chunk is
// the normalised text and is only valid during the call. Empty chunks are
// never reported.
void CutTextIntoChunks(QStringView text, const ChunkRules& rules,
                       const std::function<void(QStringView chunk, bool terminated)>& found);

class RepeatedChunks {
 public:
  using ProgressFunc = std::function<bool(int percent)>;
  using CountFunc = std::function<void(int count)>;

  RepeatedChunks() = default;
  RepeatedChunks(const RepeatedChunks&) = delete;
  RepeatedChunks& operator=(const RepeatedChunks&) = delete;

  // Empties the chunk list, the file list and the counts; clears a stop.
  void Clear();
  // minimum hits below 2 is taken as 2, minimum length below 1 as 1.
  // progress_in_file reports within a long text, progress_overall over the
  // files; count_reporter gets the running number of chunks that have reached
  // minimum hits. Any of the three may be empty.
  void SetSettings(bool include_unterminated, int tag_span, int min_hits, int min_length,
                   ProgressFunc progress_in_file, ProgressFunc progress_overall,
                   CountFunc count_reporter);
  // Reads and cuts a text; returns its file number (0 or more) or -1 when
  // the file cannot be read or a stop was asked.
  int LoadATextFile(const QString& file_name);
  // Counts the chunks of the loaded text with that number.
  // file_count is the number of files of the whole run, for progress.
  void AddToRepeatedSentencesInTxt(int text_number, int file_count);
  // Reads, cuts and counts the files in this order, several at a time, with
  // the same result as LoadATextFile and AddToRepeatedSentencesInTxt on each
  // in turn. before_file(i) runs on the calling thread just before file i is
  // counted. A file that cannot be read is left out (and gets no number).
  // Returns early on Stop, with the files counted so far.
  void AddTextFiles(const QStringList& file_names,
                    const std::function<void(int index)>& before_file = {});
  // Counts the chunks of a text that the caller read and cut itself, with a
  // ChunkCutter of these settings, as the next file: the same as
  // LoadATextFile and AddToRepeatedSentencesInTxt on that text. For a caller
  // that reads each text once for several checks. Returns its file number.
  int AddCutText(const QString& file_name, std::int64_t size, const CutChunkBatch& chunks);
  // Total hits, highest first (ties: earlier first file, then text).
  void SortDescendingFreq();
  // By the file numbers of the occurrences, ascending (ties: more hits first).
  void SortAScendingFilenumbers();
  void Stop() { stop_.store(true, std::memory_order_relaxed); }
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

  // Results, valid after a sort.
  const boiler::ChunkOccurrenceList& Chunks() const { return chunks_; }
  const FolderFileList& ChunkFiles() const { return files_; }
  // The files LoadATextFile could not read since the last Clear, with why.
  const std::vector<FileProblem>& ReadProblems() const { return read_problems_; }
  boiler::FileNumberList& RowOrder() { return row_order_; }
  const boiler::FileNumberList& RowOrder() const { return row_order_; }

  // Distinct chunks seen so far (each counted once, repeated or not).
  std::int64_t DistinctChunks() const { return distinct_; }
  int MinHits() const { return min_hits_; }

 private:
  struct Record {
    QString text;
    boiler::OccurrenceList occurrences;
    std::int64_t total = 0;
  };
  // One slot of the count table. key == 0 marks an empty slot. value >= 0 is
  // the file of a chunk's only hit so far; value < 0 is -(record + 1) once
  // the chunk has been hit twice.
  struct Slot {
    std::uint64_t key;
    std::int32_t value;
  };

  // The reading threads of AddTextFiles.
  class ReadAhead;
  // Counts file i of AddTextFiles as its batches arrive; an error a reader
  // met, to be thrown once the readers are stopped.
  std::exception_ptr CountReadFile(ReadAhead& ahead, const QString& name, int i, int n);

  ChunkCutter MakeCutter() const;
  bool StopAsked() const;
  void CountChunks(const CutChunkBatch& batch, std::int32_t file);
  void CountChunk(std::uint64_t key, QStringView chunk, std::int32_t file);
  std::size_t FindSlot(std::uint64_t key) const;
  void Grow();
  void AfterFile(int file_count);
  void Finish();

  bool include_unterminated_ = false;
  ChunkRules rules_;
  int min_hits_ = 2;
  int min_length_ = 20;
  ProgressFunc progress_in_file_;
  ProgressFunc progress_overall_;
  CountFunc count_reporter_;

  // Open addressing with linear probing, grown at three quarters full.
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::vector<Record> records_;
  std::int64_t distinct_ = 0;
  int reached_ = 0;
  int reported_ = -1;
  int last_overall_ = -1;
  int files_counted_ = 0;
  bool dirty_ = false;

  // The text loaded by LoadATextFile, already cut.
  CutChunkBatch loaded_;
  int loaded_number_ = -1;

  boiler::ChunkOccurrenceList chunks_;
  FolderFileList files_;
  std::vector<FileProblem> read_problems_;
  boiler::FileNumberList row_order_;
  std::atomic<bool> stop_{false};
};
