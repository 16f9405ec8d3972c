#pragma once
// The start of a text packed into 64-bit words, one byte per character and
// most significant first, so that comparing the words compares the texts'
// starts. Sorting compares each entry about twenty times, and texts lie all
// over memory: with the packed starts most comparisons never read the texts.
//
// The packing holds for plain ASCII only, folded to lower case, so the order
// it gives is that of a comparison without regard to ASCII case. `exact`
// tells how many leading bytes stand for the text's own characters; a text
// shorter than the key is padded with zeros, which orders it before any
// longer text with the same start, as a comparison would.

#include <QStringView>
#include <array>
#include <cstdint>

#include "runtime/text_case.h"

template <int Words>
struct PackedKey {
  std::array<std::uint64_t, Words> w{};
  std::uint8_t exact = 8 * Words;
  bool whole = false;  // the text lies wholly within the key
};

template <int Words>
PackedKey<Words> PackKey(QStringView text) {
  PackedKey<Words> key;
  const char16_t* p = text.utf16();
  for (int i = 0; i < 8 * Words; ++i) {
    std::uint64_t byte = 0;
    if (i < text.size()) {
      if (p[i] >= 0x80) {
        key.exact = static_cast<std::uint8_t>(i);
        break;
      }
      byte = AsciiLower(p[i]);
    }
    key.w[static_cast<std::size_t>(i / 8)] |= byte << (56 - 8 * (i % 8));
  }
  key.whole = key.exact == 8 * Words && text.size() <= 8 * Words;
  return key;
}

// What the keys tell of the texts' order: -1 or 1 when they decide it, 0 when
// the texts are equal without regard to ASCII case, 2 when only the texts
// themselves can tell.
template <int Words>
int ComparePackedKeys(const PackedKey<Words>& a, const PackedKey<Words>& b) {
  for (int k = 0; k < Words; ++k) {
    const std::uint64_t x = a.w[static_cast<std::size_t>(k)];
    const std::uint64_t y = b.w[static_cast<std::size_t>(k)];
    if (x == y) continue;
    const int at = 8 * k + __builtin_clzll(x ^ y) / 8;
    if (at < a.exact && at < b.exact) return x < y ? -1 : 1;
    return 2;
  }
  return a.whole && b.whole ? 0 : 2;
}
