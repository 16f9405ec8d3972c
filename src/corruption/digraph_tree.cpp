#include "corruption/digraph_tree.h"

#include <algorithm>

#include "runtime/error.h"
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

std::ptrdiff_t DigraphProfile::Find(std::uint32_t key) const {
  const auto it = std::lower_bound(keys.begin(), keys.end(), key);
  if (it == keys.end() || *it != key) return -1;
  return it - keys.begin();
}

QString DigraphText(std::uint32_t key) {
  const QChar units[2] = {QChar(static_cast<char16_t>(key >> 16)),
                          QChar(static_cast<char16_t>(key & 0xFFFF))};
  return QString(units, 2);
}

DigraphTree::DigraphTree(std::int32_t min_freq_)
    : GeneralTree(&DigraphTree::Compare), min_freq(min_freq_) {
  SeedTree();
}

DigraphTree::~DigraphTree() { FreeAllNodesQuietly(); }

int DigraphTree::Compare(const void* a, const void* b) {
  const char16_t* x = static_cast<const DigraphRec*>(a)->characters;
  const char16_t* y = static_cast<const DigraphRec*>(b)->characters;
  for (int i = 0; i < 3; ++i) {
    if (x[i] != y[i]) return static_cast<int>(x[i]) - static_cast<int>(y[i]);
    if (x[i] == 0) return 0;
  }
  return 0;
}

void DigraphTree::FoundMatch(TreeNode** slot) { ++static_cast<DigraphRec*>((*slot)->item)->count; }

void DigraphTree::InOrder(TreeNode** slot) {
  const auto* rec = static_cast<const DigraphRec*>((*slot)->item);
  if (rec->count < min_freq) return;
  int len = 0;
  while (len < 3 && rec->characters[len] != 0) ++len;
  sorted_results.Append(QString(reinterpret_cast<const QChar*>(rec->characters), len), rec->count);
}

void DigraphTree::Deleting(TreeNode** slot) {
  delete static_cast<DigraphRec*>((*slot)->item);
  (*slot)->item = nullptr;
}

DigraphCounter::DigraphCounter() : ascii_(128 * 128, 0), other_(1024, {kEmptyKey, 0}) {}

void DigraphCounter::Reset() {
  // Only the entries this text used are cleared: most texts use a few
  // hundred of the tables' entries.
  for (std::uint32_t key : order_) {
    const std::uint32_t c1 = key >> 16, c2 = key & 0xFFFF;
    if (c1 < 128 && c2 < 128) ascii_[(c1 << 7) | c2] = 0;
  }
  for (std::size_t slot : other_slots_) other_[slot] = {kEmptyKey, 0};
  other_slots_.clear();
  order_.clear();
  digraphs_ = 0;
  length_ = 0;
  prev_upper_ = 0;
  prev_letter_ = false;
}

std::int64_t& DigraphCounter::Slot(std::uint32_t key) {
  std::size_t mask = other_.size() - 1;
  std::size_t h = (key * 2654435761u) & mask;
  while (other_[h].first != kEmptyKey) {
    if (other_[h].first == key) return other_[h].second;
    h = (h + 1) & mask;
  }
  if ((other_slots_.size() + 1) * 2 > other_.size()) {
    // Kept at most half full: doubled, with every key placed anew.
    std::vector<std::pair<std::uint32_t, std::int64_t>> old(other_.size() * 2, {kEmptyKey, 0});
    old.swap(other_);
    mask = other_.size() - 1;
    other_slots_.clear();
    for (const auto& e : old) {
      if (e.first == kEmptyKey) continue;
      std::size_t g = (e.first * 2654435761u) & mask;
      while (other_[g].first != kEmptyKey) g = (g + 1) & mask;
      other_[g] = e;
      other_slots_.push_back(g);
    }
    h = (key * 2654435761u) & mask;
    while (other_[h].first != kEmptyKey) h = (h + 1) & mask;
  }
  other_[h].first = key;
  other_slots_.push_back(h);
  return other_[h].second;
}

std::int64_t DigraphCounter::Count(std::uint32_t key) const {
  const std::uint32_t c1 = key >> 16, c2 = key & 0xFFFF;
  if (c1 < 128 && c2 < 128) return ascii_[(c1 << 7) | c2];
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
      std::int64_t* count;
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

void DigraphCounter::FillTree(DigraphTree& tree) const {
  for (std::uint32_t key : order_) {
    const std::uint32_t c1 = key >> 16, c2 = key & 0xFFFF;
    auto* rec = new DigraphRec;
    rec->characters[0] = static_cast<char16_t>(c1);
    rec->characters[1] = static_cast<char16_t>(c2);
    // The tree's records count in 32 bits; a text too long for that keeps
    // the largest count they can hold.
    rec->count = static_cast<std::int32_t>(std::min<std::int64_t>(Count(key), INT32_MAX));
    tree.current = rec;
    if (!tree.AddOne()) delete rec;  // cannot happen for distinct keys; keeps ownership clear
  }
}

void DigraphCounter::Finish(std::int32_t min_freq, DigraphProfile& out) {
  CheckTreeDepth();
  out.digraphs = digraphs_;
  out.keys.clear();
  out.counts.clear();
  for (std::uint32_t key : order_)
    if (Count(key) >= min_freq) out.keys.push_back(key);
  std::sort(out.keys.begin(), out.keys.end());
  out.counts.reserve(out.keys.size());
  for (std::uint32_t key : out.keys) out.counts.push_back(Count(key));
}

// The tree built by inserting the distinct digraphs in order of first
// occurrence is the one whose in-order sequence is the keys in ascending
// order and in which every node was inserted before its descendants. Its
// walk keeps on the stack every ancestor whose left subtree holds the node
// being pushed; it fails when that stack reaches GeneralTree::kStackLimit
// entries, that is when a node has kStackLimit - 1 ancestors above it to its
// right. The tree is built here as index links in one pass over the keys in
// order (each node's parent is the later-inserted of its nearest neighbours
// on either side that were inserted before it), and the count of such
// ancestors follows its insertion order, parents first.
void DigraphCounter::CheckTreeDepth() {
  const std::size_t d = order_.size();
  if (d < static_cast<std::size_t>(GeneralTree::kStackLimit))
    return;  // too few nodes for such a chain
  by_key_.resize(d);
  for (std::size_t t = 0; t < d; ++t) by_key_[t] = static_cast<std::uint32_t>(t);
  std::sort(by_key_.begin(), by_key_.end(),
            [this](std::uint32_t a, std::uint32_t b) { return order_[a] < order_[b]; });
  // link[t] = 2 * parent + (1 when t is its parent's left child); the root is
  // the first inserted, number 0.
  std::vector<std::int64_t> link(d, 0);
  std::vector<std::uint32_t> stack;
  stack.reserve(64);
  for (std::uint32_t t : by_key_) {
    std::int64_t last = -1;
    while (!stack.empty() && stack.back() > t) {
      last = stack.back();
      stack.pop_back();
    }
    if (last >= 0) link[static_cast<std::size_t>(last)] = 2 * static_cast<std::int64_t>(t) + 1;
    if (!stack.empty()) link[t] = 2 * static_cast<std::int64_t>(stack.back());
    stack.push_back(t);
  }
  // In place: link[t] becomes the number of ancestors to t's right.
  link[0] = 0;
  for (std::size_t t = 1; t < d; ++t) {
    const std::int64_t parent = link[t] >> 1;
    const std::int64_t right_ancestors = link[static_cast<std::size_t>(parent)] + (link[t] & 1);
    if (right_ancestors + 1 >= GeneralTree::kStackLimit) ThrowLopsidedTree();
    link[t] = right_ancestors;
  }
}

void FinishProfile(DigraphSample& profile) {
  profile.tree->Traverse();
  profile.tree->Clear();
}
