#pragma once
// Lower-casing for names, with a quick path for plain ASCII: most file names
// are ASCII, and most are lower-case already.

#include <QString>

#include "runtime/native_names.h"

// An ASCII capital letter lower-cased; every other code unit as it is.
inline char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

// The text lower-cased exactly as QString::toLower does it (escaped bytes of
// names that are not UTF-8 kept as they are), without the Unicode tables
// when it is plain ASCII; a text that is lower-case already is shared, not
// copied.
inline QString LowerCasedName(const QString& name) {
  const char16_t* p = reinterpret_cast<const char16_t*>(name.utf16());
  const qsizetype n = name.size();
  bool upper = false;
  for (qsizetype i = 0; i < n; ++i) {
    if (p[i] >= 0x80) return LowerCasedKeepingEscapedBytes(name);
    upper |= AsciiLower(p[i]) != p[i];
  }
  if (!upper) return name;
  QString lower(n, Qt::Uninitialized);
  char16_t* q = reinterpret_cast<char16_t*>(lower.data());
  for (qsizetype i = 0; i < n; ++i) q[i] = AsciiLower(p[i]);
  return lower;
}
