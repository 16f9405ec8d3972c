#include "duplicates/passage_index.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kBase = 0x100000001B3ULL * 2 + 1;  // odd, so powers never vanish

std::uint64_t PolynomialHash(QStringView s) {
  std::uint64_t h = 0;
  for (const QChar c : s) h = h * kBase + c.unicode();
  return h;
}

}  // namespace

std::uint64_t PassageIndex::KeyOf(std::uint64_t hash, int length) {
  // Mixes the length in, so that passages of different lengths with equal
  // hashes do not meet, and spreads the bits for the filter.
  std::uint64_t k = hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ULL);
  k ^= k >> 31;
  k *= 0xBF58476D1CE4E5B9ULL;
  return k ^ (k >> 29);
}

std::size_t PassageIndex::FilterBit(std::uint64_t key) const {
  return static_cast<std::size_t>(key >> filter_shift_);
}

void PassageIndex::Add(std::int32_t owner, QStringView passage) {
  const int length = static_cast<int>(passage.size());
  if (length == 0 || length > kMaxPassageLength) return;
  const std::uint64_t key = KeyOf(PolynomialHash(passage), length);
  const std::int64_t number = first_number_ + static_cast<std::int64_t>(passages_.size());
  passages_.push_back({owner, key, passage.toString()});
  by_key_.emplace(key, number);
  ++length_count_[length];
}

void PassageIndex::RemoveOwnersBelow(std::int32_t owner) {
  while (!passages_.empty() && passages_.front().owner < owner) {
    const Passage& p = passages_.front();
    auto range = by_key_.equal_range(p.key);
    for (auto it = range.first; it != range.second; ++it) {
      if (it->second == first_number_) {
        by_key_.erase(it);
        break;
      }
    }
    --length_count_[p.text.size()];
    passages_.pop_front();
    ++first_number_;
  }
}

void PassageIndex::Seal() {
  // About 64 filter bits per passage: a window of a text that matches no
  // passage passes the filter about once in 64 times. Between 64 Kibit and
  // 8 Mibit, so that the filter stays in the processor's cache.
  int bits = 16;
  while (bits < 23 && (std::size_t{1} << bits) < passages_.size() * 64) ++bits;
  filter_shift_ = 64 - bits;
  filter_.assign((std::size_t{1} << bits) / 64, 0);
  for (const Passage& p : passages_) {
    const std::size_t b = FilterBit(p.key);
    filter_[b >> 6] |= std::uint64_t{1} << (b & 63);
  }
}

void PassageIndex::FindIn(QStringView text, std::vector<std::int32_t>& owners) const {
  if (passages_.empty()) return;
  const auto* t = reinterpret_cast<const char16_t*>(text.utf16());
  const qsizetype n = text.size();
  const std::uint64_t* filter = filter_.data();
  for (int length = 1; length <= kMaxPassageLength; ++length) {
    if (length_count_[length] == 0 || n < length) continue;
    std::uint64_t power = 1;  // kBase^length, to take the leaving unit out
    for (int k = 0; k < length; ++k) power *= kBase;
    std::uint64_t h = 0;
    for (qsizetype k = 0; k < length - 1; ++k) h = h * kBase + t[k];
    for (qsizetype end = length - 1; end < n; ++end) {
      h = h * kBase + t[end];
      if (end >= length) h -= power * t[end - length];
      const std::uint64_t key = KeyOf(h, length);
      const std::size_t b = FilterBit(key);
      if (!(filter[b >> 6] & (std::uint64_t{1} << (b & 63)))) continue;
      const QStringView window(t + end - length + 1, length);
      auto range = by_key_.equal_range(key);
      for (auto it = range.first; it != range.second; ++it) {
        const Passage& p = passages_[static_cast<std::size_t>(it->second - first_number_)];
        if (p.text.size() == length && window == QStringView(p.text)) owners.push_back(p.owner);
      }
    }
  }
}
