#include "runtime/native_names.h"

#include <vector>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // escaped byte b is kEscapeBase + b (b >= 0x80)

bool IsEscapedByteUnit(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }
bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

bool AllAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence that starts at s[i] (2 to 4), with its
// code point in *cp, or 0 when the bytes there are not one: a stray
// continuation byte, a cut-off sequence, an overlong form, a surrogate or a
// code point above U+10FFFF.
int ValidSequenceAt(const unsigned char* s, std::size_t n, std::size_t i, char32_t* cp) {
  const unsigned char b0 = s[i];
  int len;
  char32_t c;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    c = b0 & 0x1F;
    min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    c = b0 & 0x0F;
    min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    c = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + static_cast<std::size_t>(len) > n) return 0;
  for (int k = 1; k < len; ++k) {
    const unsigned char b = s[i + static_cast<std::size_t>(k)];
    if (!IsContinuation(b)) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  *cp = c;
  return len;
}

void AppendHex(QString& out, unsigned value) {
  static const char kDigits[] = "0123456789abcdef";
  out += QLatin1String("\\x");
  out += QLatin1Char(kDigits[(value >> 4) & 0xF]);
  out += QLatin1Char(kDigits[value & 0xF]);
}

}  // namespace

QString NameFromNative(std::string_view bytes) {
  // Most names are plain ASCII, which needs no checking at all.
  if (AllAscii(bytes))
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::vector<char16_t> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    char32_t cp = 0;
    const int len = ValidSequenceAt(s, n, i, &cp);
    if (len == 0) {
      // Only this byte is escaped; decoding resumes at the next one, which
      // may start a valid sequence of its own.
      out.push_back(static_cast<char16_t>(kEscapeBase + b));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(len);
  }
  return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
}

QByteArray NativeFromName(const QString& name) {
  const auto* u = reinterpret_cast<const char16_t*>(name.utf16());
  const qsizetype n = name.size();
  QByteArray out;
  out.reserve(n);
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = u[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(u[i + 1])) {
      const char32_t cp =
          0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (u[i + 1] - 0xDC00);
      ++i;
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (IsEscapedByteUnit(c)) {
      out += static_cast<char>(c - kEscapeBase);
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool HasEscapedBytes(const QString& name) {
  const auto* u = reinterpret_cast<const char16_t*>(name.utf16());
  const qsizetype n = name.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (IsHighSurrogate(u[i]) && i + 1 < n && IsLowSurrogate(u[i + 1])) {
      ++i;
      continue;
    }
    if (IsEscapedByteUnit(u[i])) return true;
  }
  return false;
}

QString DisplayName(const QString& name) {
  const auto* u = reinterpret_cast<const char16_t*>(name.utf16());
  const qsizetype n = name.size();
  qsizetype first = 0;
  for (; first < n; ++first) {
    const char16_t c = u[first];
    if (c < 0x20 || c == 0x7F || c == u'\\' || (c >= 0xD800 && c <= 0xDFFF)) break;
  }
  if (first == n) return name;  // the usual case: nothing to escape
  QString out;
  out.reserve(n + 8);
  out.append(QStringView(u, first));
  for (qsizetype i = first; i < n; ++i) {
    const char16_t c = u[i];
    if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(u[i + 1])) {
      out += QChar(c);
      out += QChar(u[++i]);
    } else if (IsEscapedByteUnit(c)) {
      AppendHex(out, c - kEscapeBase);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out += QStringLiteral("\\u%1").arg(static_cast<unsigned>(c), 4, 16, QLatin1Char('0'));
    } else if (c == u'\\') {
      out += QLatin1String("\\\\");
    } else if (c == u'\t') {
      out += QLatin1String("\\t");
    } else if (c == u'\n') {
      out += QLatin1String("\\n");
    } else if (c == u'\r') {
      out += QLatin1String("\\r");
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex(out, c);
    } else {
      out += QChar(c);
    }
  }
  return out;
}

QString LowerCasedKeepingEscapedBytes(const QString& name) {
  if (!HasEscapedBytes(name)) return name.toLower();
  const auto* u = reinterpret_cast<const char16_t*>(name.utf16());
  const qsizetype n = name.size();
  QString out;
  out.reserve(n);
  qsizetype start = 0;
  for (qsizetype i = 0; i <= n; ++i) {
    if (i < n && IsHighSurrogate(u[i]) && i + 1 < n && IsLowSurrogate(u[i + 1])) {
      ++i;
      continue;
    }
    if (i < n && !IsEscapedByteUnit(u[i])) continue;
    out += QStringView(u + start, i - start).toString().toLower();
    if (i < n) out += QChar(u[i]);
    start = i + 1;
  }
  return out;
}
