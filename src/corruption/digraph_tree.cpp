#include "corruption/digraph_tree.h"

#include <algorithm>

#include "runtime/text_reader.h"

namespace {

// Per code unit: its simple upper-case form, and whether that form is a
// letter (1), a space (2) or neither (0).
struct ClassTables {
  std::vector<char16_t> upper;
  std::vector<std::uint8_t> cls;
  ClassTables() : upper(65536), cls(65536) {
    for (std::uint32_t c = 0; c < 65536; ++c) {
      const char16_t up = UpperCaseUnit(static_cast<char16_t>(c));
      upper[c] = up;
      cls[c] = IsLetterUnit(up) ? 1 : (up == u' ' ? 2 : 0);
    }
  }
};

const ClassTables& Classes() {
  static const ClassTables tables;
  return tables;
}

constexpr std::uint32_t kEmptyKey = 0xFFFFFFFFu;

}  // namespace

int TMySaveStringList::Find(QStringView text) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), text,
                             [](const Entry& e, QStringView t) { return QStringView(e.text).compare(t) < 0; });
  if (it == entries_.end() || QStringView(it->text).compare(text) != 0) return -1;
  return static_cast<int>(it - entries_.begin());
}

TDigraphTree::TDigraphTree(std::int32_t min_freq_) : TGeneral_Tree(&TDigraphTree::Compare), min_freq(min_freq_) {
  Seed_Tree();
}

TDigraphTree::~TDigraphTree() { FreeAllNodesQuietly(); }

int TDigraphTree::Compare(const void* a, const void* b) {
  const char16_t* x = static_cast<const TDigraphRec*>(a)->characters;
  const char16_t* y = static_cast<const TDigraphRec*>(b)->characters;
  for (int i = 0; i < 3; ++i) {
    if (x[i] != y[i]) return static_cast<int>(x[i]) - static_cast<int>(y[i]);
    if (x[i] == 0) return 0;
  }
  return 0;
}

void TDigraphTree::Do_Found_Match(TTreeNode** slot) { ++static_cast<TDigraphRec*>((*slot)->item)->count; }

void TDigraphTree::Do_In_Order(TTreeNode** slot) {
  const auto* rec = static_cast<const TDigraphRec*>((*slot)->item);
  if (rec->count < min_freq) return;
  int len = 0;
  while (len < 3 && rec->characters[len] != 0) ++len;
  sorted_results.Append(QString(reinterpret_cast<const QChar*>(rec->characters), len), rec->count);
}

void TDigraphTree::Do_Deleting(TTreeNode** slot) {
  delete static_cast<TDigraphRec*>((*slot)->item);
  (*slot)->item = nullptr;
}

DigraphCounter::DigraphCounter() : ascii_(128 * 128, 0), other_(1024, {kEmptyKey, 0}) {}

void DigraphCounter::Reset() {
  for (std::uint32_t key : order_) {
    const std::uint32_t c1 = key >> 16, c2 = key & 0xFFFF;
    if (c1 < 128 && c2 < 128) ascii_[(c1 << 7) | c2] = 0;
  }
  if (other_used_) {
    std::fill(other_.begin(), other_.end(), std::pair<std::uint32_t, std::int32_t>{kEmptyKey, 0});
    other_used_ = 0;
  }
  order_.clear();
  digraphs_ = 0;
  length_ = 0;
  prev_upper_ = 0;
  prev_letter_ = false;
}

std::int32_t& DigraphCounter::Slot(std::uint32_t key) {
  if ((other_used_ + 1) * 2 > other_.size()) {
    std::vector<std::pair<std::uint32_t, std::int32_t>> old(other_.size() * 2, {kEmptyKey, 0});
    old.swap(other_);
    for (const auto& e : old) {
      if (e.first == kEmptyKey) continue;
      std::size_t h = (e.first * 2654435761u) & (other_.size() - 1);
      while (other_[h].first != kEmptyKey) h = (h + 1) & (other_.size() - 1);
      other_[h] = e;
    }
  }
  std::size_t h = (key * 2654435761u) & (other_.size() - 1);
  while (other_[h].first != kEmptyKey && other_[h].first != key) h = (h + 1) & (other_.size() - 1);
  if (other_[h].first == kEmptyKey) {
    other_[h].first = key;
    ++other_used_;
  }
  return other_[h].second;
}

std::int32_t DigraphCounter::Lookup(std::uint32_t key) const {
  std::size_t h = (key * 2654435761u) & (other_.size() - 1);
  while (other_[h].first != kEmptyKey) {
    if (other_[h].first == key) return other_[h].second;
    h = (h + 1) & (other_.size() - 1);
  }
  return 0;
}

void DigraphCounter::Feed(QStringView piece) {
  const ClassTables& t = Classes();
  const char16_t* p = reinterpret_cast<const char16_t*>(piece.utf16());
  const qsizetype n = piece.size();
  length_ += n;
  char16_t prev = prev_upper_;
  bool prev_letter = prev_letter_;
  std::int64_t found = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t up = t.upper[p[i]];
    const std::uint8_t cls = t.cls[p[i]];
    if (prev_letter && cls != 0) {
      ++found;
      std::int32_t* count;
      if (prev < 128 && up < 128) {
        count = &ascii_[(static_cast<std::uint32_t>(prev) << 7) | up];
      } else {
        count = &Slot((static_cast<std::uint32_t>(prev) << 16) | up);
      }
      if ((*count)++ == 0) order_.push_back((static_cast<std::uint32_t>(prev) << 16) | up);
    }
    prev_letter = cls == 1;
    prev = up;
  }
  digraphs_ += found;
  prev_upper_ = prev;
  prev_letter_ = prev_letter;
}

void DigraphCounter::FillTree(TDigraphTree& tree) const {
  for (std::uint32_t key : order_) {
    const std::uint32_t c1 = key >> 16, c2 = key & 0xFFFF;
    auto* rec = new TDigraphRec;
    rec->characters[0] = static_cast<char16_t>(c1);
    rec->characters[1] = static_cast<char16_t>(c2);
    rec->count = (c1 < 128 && c2 < 128) ? ascii_[(c1 << 7) | c2]
                                        : Lookup(key);
    tree.current = rec;
    if (!tree.Add_One()) delete rec;  // cannot happen for distinct keys; keeps ownership clear
  }
}

void FinishProfile(sample_array& profile) {
  profile.Tree->Traverse();
  profile.Tree->sorted_results.SetSorted();
  profile.Tree->Clear();
}
