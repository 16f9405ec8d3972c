#pragma once
// Digraph frequency profiles: every two-character sequence of an upper-cased
// text that starts with a letter and goes on with a letter or a space,
// counted, and the frequent ones kept in ascending code-unit order.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

#include "corruption/general_trees.h"

// One distinct digraph: two code units and a terminating zero, and its count.
struct DigraphRec {
  char16_t characters[3] = {0, 0, 0};
  std::int32_t count = 1;
};

// (digraph, count) pairs in the order of their digraphs' code units; lookups
// are binary searches in that same order.
class DigraphCountList {
 public:
  struct Entry {
    QString text;
    std::int32_t value;
  };
  int Count() const { return static_cast<int>(entries_.size()); }
  const Entry& At(int i) const { return entries_[static_cast<std::size_t>(i)]; }
  void Append(const QString& text, std::int32_t value) { entries_.push_back({text, value}); }
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
};

class DigraphTree : public GeneralTree {
 public:
  explicit DigraphTree(std::int32_t min_freq);
  ~DigraphTree() override;

  // Ordinal comparison of two records' zero-terminated code units.
  static int Compare(const void* a, const void* b);

  std::int32_t min_freq;
  DigraphCountList sorted_results;

 protected:
  void FoundMatch(TreeNode** slot) override;
  void InOrder(TreeNode** slot) override;
  void Deleting(TreeNode** slot) override;
  void SeedTree() override {}
};

// One side of a comparison: the tree (holding the results after collection)
// and the total of digraph occurrences counted, repeats included.
struct DigraphSample {
  std::unique_ptr<DigraphTree> tree;
  std::int64_t digraphs = 0;
};

// A finished profile in flat form: the digraphs counted at least min_freq
// times, in ascending code-unit order, with their counts. A key holds the
// first unit in its high 16 bits and the second in its low 16 bits, so the
// order of keys is the order of the two-unit strings.
struct DigraphProfile {
  std::vector<std::uint32_t> keys;
  std::vector<std::int64_t> counts;
  std::int64_t digraphs = 0;  // every occurrence counted, repeats and rare ones included
  // Index of key, or -1.
  std::ptrdiff_t Find(std::uint32_t key) const;
};

// The two-character text of a key.
QString DigraphText(std::uint32_t key);

// Counts the digraphs of a text fed in pieces, in order, as normalised text
// (not yet upper-cased). Counting is done in flat tables; the tree is built
// afterwards from the distinct digraphs in the order of their first
// occurrence, which gives it exactly the shape that inserting every
// occurrence would give, at a fraction of the cost.
class DigraphCounter {
 public:
  DigraphCounter();
  void Reset();
  void Feed(QStringView piece);
  std::int64_t Digraphs() const { return digraphs_; }
  std::int64_t Length() const { return length_; }
  int Distinct() const { return static_cast<int>(order_.size()); }
  // Inserts the distinct digraphs, with their counts, into the tree.
  void FillTree(DigraphTree& tree) const;
  // Finishes the profile without building a tree: the digraphs counted at
  // least min_freq times, sorted. Throws SorvelError "lopsided data: stack
  // overflow in Tree" exactly when the tree built from these digraphs would
  // fail its walk.
  void Finish(std::int32_t min_freq, DigraphProfile& out);
  // Ends the current text: its last unit starts no digraph with the next text.
  void EndOfText() { prev_letter_ = false; }

 private:
  std::int64_t& Slot(std::uint32_t key);
  std::int64_t Count(std::uint32_t key) const;
  void CheckTreeDepth();
  std::vector<std::int64_t> ascii_;                            // (c1 << 7 | c2) for c1, c2 < 128
  std::vector<std::uint32_t> order_;                           // keys in order of first occurrence
  std::vector<std::pair<std::uint32_t, std::int64_t>> other_;  // open addressing
  std::vector<std::size_t> other_slots_;                       // the slots of other_ in use
  std::vector<std::uint32_t> by_key_;                          // scratch of CheckTreeDepth
  std::int64_t digraphs_ = 0;
  std::int64_t length_ = 0;
  char16_t prev_upper_ = 0;
  bool prev_letter_ = false;
};

// Finishes a profile: the tree's in-order walk fills sorted_results with the
// digraphs counted at least min_freq times, then the tree's nodes are freed.
// Throws SorvelError for a lopsided tree.
void FinishProfile(DigraphSample& profile);
