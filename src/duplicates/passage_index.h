#pragma once
// Finds which of many short passages occur in a text, in one pass over the
// text per passage length.
//
// Every passage (1 to 100 UTF-16 code units) is entered with its owner, a
// number chosen by the caller. FindIn runs a rolling polynomial hash over the
// windows of the text, one window length at a time, tests each window against
// a bit filter of the entered hashes and, on a filter hit, compares the
// window with every passage of that hash character by character. So a
// reported owner's passage really occurs in the text; hash collisions cost
// time, never a wrong answer.
//
// Owners are entered in ascending order and removed from the lowest up,
// which is the order in which a scan along a size-sorted list needs them.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

class PassageIndex {
 public:
  static constexpr int kMaxPassageLength = 100;

  // Enters a passage of `owner` (empty passages and passages longer than
  // kMaxPassageLength are ignored). Owners must not decrease between calls.
  void Add(std::int32_t owner, QStringView passage);
  // Removes every passage whose owner is below `owner`.
  void RemoveOwnersBelow(std::int32_t owner);
  // Rebuilds the bit filter; call after adding or removing and before FindIn.
  void Seal();
  bool Empty() const { return passages_.empty(); }

  // Appends to `owners` the owner of every entered passage that occurs in
  // text (an owner once per passage found; it may appear twice when both of
  // its passages occur). Safe to call from several threads at once.
  void FindIn(QStringView text, std::vector<std::int32_t>& owners) const;

 private:
  struct Passage {
    std::int32_t owner;
    std::uint64_t key;
    QString text;
  };
  static std::uint64_t KeyOf(std::uint64_t hash, int length);
  std::size_t FilterBit(std::uint64_t key) const;

  std::deque<Passage> passages_;   // in owner order
  std::int64_t first_number_ = 0;  // running number of passages_.front()
  std::unordered_multimap<std::uint64_t, std::int64_t> by_key_;  // key -> running number
  int length_count_[kMaxPassageLength + 1] = {};
  std::vector<std::uint64_t> filter_;
  int filter_shift_ = 64;
};
