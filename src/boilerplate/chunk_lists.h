#pragma once
// The small typed lists in which the repeated-chunk finder hands out its
// results: a list of chunk indexes (the display order), a list of
// (file number, hits) pairs per chunk, and the chunk texts with their pairs.
// They live in their own namespace so that they never clash with lists of the
// same shape elsewhere in the program.

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace boiler {

class FileNumberList {
 public:
  int Count() const { return static_cast<int>(v_.size()); }
  void AddOne(std::int32_t value) { v_.push_back(value); }
  std::int32_t GetAValue(int i) const { return v_[static_cast<std::size_t>(i)]; }
  void Clear() { v_.clear(); }

 private:
  std::vector<std::int32_t> v_;
};

struct OccurrenceRec {
  std::int32_t value1 = 0;  // file number
  std::int32_t value2 = 0;  // hits in that file
};

class OccurrenceList {
 public:
  int Count() const { return static_cast<int>(v_.size()); }
  void AddOne(std::int32_t a, std::int32_t b) { v_.push_back(OccurrenceRec{a, b}); }
  const OccurrenceRec& GetAValue(int j) const { return v_[static_cast<std::size_t>(j)]; }
  OccurrenceRec& Last() { return v_.back(); }
  bool Empty() const { return v_.empty(); }
  // Sum of one column: 0 for the first members, 1 for the second.
  std::int64_t TotalOf(int column) const {
    std::int64_t sum = 0;
    for (const OccurrenceRec& r : v_) sum += column == 0 ? r.value1 : r.value2;
    return sum;
  }
  void Clear() { v_.clear(); }

 private:
  std::vector<OccurrenceRec> v_;
};

// Chunk texts, each with its list of occurrences.
class ChunkOccurrenceList {
 public:
  struct Entry {
    QString text;
    OccurrenceList occurrences;
    std::int64_t total = 0;  // sum of the hits, kept so that sorting need not add up
  };

  int Count() const { return static_cast<int>(entries_.size()); }
  const QString& Strings(int i) const { return entries_[static_cast<std::size_t>(i)].text; }
  const OccurrenceList& GetAListOfOccurrences(int i) const {
    return entries_[static_cast<std::size_t>(i)].occurrences;
  }
  std::int64_t Total(int i) const { return entries_[static_cast<std::size_t>(i)].total; }
  void Add(Entry e) { entries_.push_back(std::move(e)); }
  void Clear() { entries_.clear(); }
  std::vector<Entry>& Entries() { return entries_; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace boiler
