#include "runtime/text_reader.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QChar>
#include <QFile>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/error.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"

namespace {

// One character per byte of an 8-bit code page.
struct CodePage {
  QString name;
  std::array<char16_t, 256> map{};
};
using CodePagePtr = std::shared_ptr<const CodePage>;

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 control of the same number, so
// every byte gives exactly one character.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

CodePagePtr Windows1252() {
  static const CodePagePtr page = [] {
    auto p = std::make_shared<CodePage>();
    p->name = QStringLiteral("windows-1252");
    for (int b = 0; b < 256; ++b) {
      p->map[b] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
    return p;
  }();
  return page;
}

bool IsWindows1252Name(const QString& name) {
  const QString n = name.trimmed().toLower();
  return n == QLatin1String("windows-1252") || n == QLatin1String("cp1252") ||
         n == QLatin1String("1252");
}

bool IsUtf8Name(const QString& name) {
  const QString n = name.trimmed().toLower();
  return n == QLatin1String("utf-8") || n == QLatin1String("utf8");
}

// Builds the table of an 8-bit code page by asking iconv for each byte on its
// own. A byte that iconv calls incomplete belongs to a multi-byte encoding, a
// byte that gives no character or several belongs to a stateful one: both
// are refused. A byte the code page leaves undefined reads as U+FFFD.
CodePagePtr CodePageFromIconv(const QString& name, QString* error) {
  auto fail = [&](const QString& why) -> CodePagePtr {
    if (error) *error = why;
    return nullptr;
  };
  const QByteArray encoded = name.trimmed().toLatin1();
  if (encoded.isEmpty()) return fail(QStringLiteral("no code page named"));
  iconv_t cd = ::iconv_open("UTF-32LE", encoded.constData());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return fail(QStringLiteral("unknown code page \"%1\"").arg(name));
  }
  auto page = std::make_shared<CodePage>();
  page->name = name.trimmed();
  QString problem;
  for (int b = 0; b < 256 && problem.isEmpty(); ++b) {
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    char in = static_cast<char>(b);
    unsigned char out[16];
    char* inp = &in;
    char* outp = reinterpret_cast<char*>(out);
    std::size_t in_left = 1;
    std::size_t out_left = sizeof out;
    const std::size_t r = ::iconv(cd, &inp, &in_left, &outp, &out_left);
    const std::size_t produced = sizeof out - out_left;
    if (r == static_cast<std::size_t>(-1) && errno == EILSEQ) {
      page->map[b] = 0xFFFD;
    } else if (r == static_cast<std::size_t>(-1) || produced != 4) {
      problem = QStringLiteral("\"%1\" is not an 8-bit code page").arg(name);
    } else {
      const std::uint32_t cp =
          out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<std::uint32_t>(out[3]) << 24);
      page->map[b] = cp > 0xFFFF ? char16_t(0xFFFD) : static_cast<char16_t>(cp);
      if (b < 0x80 && cp != static_cast<std::uint32_t>(b)) {
        problem = QStringLiteral("code page \"%1\" does not keep ASCII as it is").arg(name);
      }
    }
  }
  ::iconv_close(cd);
  if (!problem.isEmpty()) return fail(problem);
  return page;
}

CodePagePtr FindCodePage(const QString& name, QString* error) {
  if (IsWindows1252Name(name)) return Windows1252();
  if (IsUtf8Name(name)) {
    if (error) *error = QStringLiteral("\"%1\" is not an 8-bit code page").arg(name);
    return nullptr;
  }
  return CodePageFromIconv(name, error);
}

enum class DecodingMode { Auto, Utf8, CodePage };

// What files without a mark are read in; changed rarely, read once per file.
struct DecodingChoice {
  DecodingMode mode = DecodingMode::Auto;
  CodePagePtr fallback;  // the 8-bit code page of auto mode
  CodePagePtr forced;    // the code page of CodePage mode
  CodePagePtr EightBit() const { return mode == DecodingMode::CodePage ? forced : fallback; }
};

std::mutex g_choice_mutex;
DecodingChoice g_choice{DecodingMode::Auto, Windows1252(), nullptr};

DecodingChoice CurrentChoice() {
  std::lock_guard<std::mutex> lock(g_choice_mutex);
  return g_choice;
}

struct UnitTables {
  std::vector<char16_t> upper;
  std::vector<std::uint8_t> letter;
  UnitTables() : upper(65536), letter(65536) {
    for (std::uint32_t c = 0; c < 65536; ++c) {
      const QChar ch(static_cast<char16_t>(c));
      upper[c] = ch.isSurrogate() ? static_cast<char16_t>(c) : ch.toUpper().unicode();
      switch (ch.category()) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
          letter[c] = ch.isSurrogate() ? 0 : 1;
          break;
        default:
          letter[c] = 0;
      }
    }
  }
};

const UnitTables& Tables() {
  static const UnitTables tables;
  return tables;
}

// Turns decoded text into the normalised form, piece by piece. Keeps the
// state that spans pieces: a CR whose LF may start the next piece, whether a
// line is open, and whether the NUL that ends the text has been seen.
class Normaliser {
 public:
  explicit Normaliser(const std::function<void(QStringView)>& sink) : sink_(sink) {}

  bool Ended() const { return ended_; }

  void Feed(const char16_t* p, qsizetype n) {
    if (ended_) return;
    out_.clear();
    out_.reserve(n + n / 8 + 4);
    for (qsizetype i = 0; i < n; ++i) {
      const char16_t c = p[i];
      if (c == u'\n') {
        if (!after_cr_) PutBreak();
        after_cr_ = false;
      } else if (c == u'\r') {
        PutBreak();
        after_cr_ = true;
      } else if (c == 0) {
        ended_ = true;
        consumed_ += i;
        break;
      } else {
        out_.push_back(c);
        line_open_ = true;
        after_cr_ = false;
      }
    }
    if (!ended_) consumed_ += n;
    Flush();
  }

  void Finish() {
    out_.clear();
    if (line_open_) PutBreak();
    Flush();
  }

  std::int64_t Length() const { return length_; }
  // Units taken from the decoded text, up to the NUL that ends it.
  std::int64_t Consumed() const { return consumed_; }

 private:
  void PutBreak() {
    out_.push_back(u'\r');
    out_.push_back(u'\n');
    line_open_ = false;
  }
  void Flush() {
    if (out_.empty()) return;
    length_ += static_cast<std::int64_t>(out_.size());
    sink_(QStringView(out_.data(), static_cast<qsizetype>(out_.size())));
  }

  const std::function<void(QStringView)>& sink_;
  std::vector<char16_t> out_;
  bool after_cr_ = false;
  bool line_open_ = false;
  bool ended_ = false;
  std::int64_t length_ = 0;
  std::int64_t consumed_ = 0;
};

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

QString ErrnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// ---- UTF-8 ----------------------------------------------------------------

enum class Utf8Stop { End, Nul, IllFormed, Cut };

struct Utf8Run {
  std::size_t used = 0;  // bytes decoded, all well formed
  Utf8Stop stop = Utf8Stop::End;
  std::size_t bad =
      0;  // IllFormed and Cut: the length of the maximal well-formed start, at least 1
};

// The sequence a non-ASCII lead byte starts: its length when it is well
// formed and complete (0 otherwise), how many of its bytes form a well-formed
// start, and whether the buffer ended inside that start.
struct SequenceCheck {
  int length = 0;
  int good = 1;
  bool cut = false;
};

inline SequenceCheck CheckSequence(const unsigned char* p, std::size_t avail) {
  const unsigned b = p[0];
  int need;
  unsigned lo = 0x80;
  unsigned hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 3;
    if (b == 0xE0)
      lo = 0xA0;  // no overlong forms
    else if (b == 0xED)
      hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 4;
    if (b == 0xF0)
      lo = 0x90;  // no overlong forms
    else if (b == 0xF4)
      hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return {0, 1, false};
  }
  int good = 1;
  for (int k = 1; k < need; ++k) {
    if (static_cast<std::size_t>(k) >= avail) return {0, good, true};
    const unsigned c = p[k];
    if (c < lo || c > hi) return {0, good, false};
    lo = 0x80;
    hi = 0xBF;
    ++good;
  }
  return {need, need, false};
}

inline bool AllAscii(std::uint64_t w) { return (w & 0x8080808080808080ULL) == 0; }
inline bool HasZeroByte(std::uint64_t w) {
  return ((w - 0x0101010101010101ULL) & ~w & 0x8080808080808080ULL) != 0;
}

// Decodes well-formed UTF-8 from p[0..n), appending the code units to *out
// when kStore (out may be null otherwise). Stops at a NUL (not taken), at an
// ill-formed sequence, or at a sequence cut by the end of the buffer.
template <bool kStore>
Utf8Run DecodeUtf8Run(const unsigned char* p, std::size_t n, std::vector<char16_t>* out) {
  char16_t* o = nullptr;
  std::size_t base = 0;
  if constexpr (kStore) {
    base = out->size();
    out->resize(base + n);  // never more units than bytes
    o = out->data() + base;
  }
  std::size_t i = 0;
  std::size_t w = 0;
  Utf8Run run;
  while (i < n) {
    // Runs of ASCII without NUL, eight bytes at a time.
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (!AllAscii(word) || HasZeroByte(word)) break;
      if constexpr (kStore) {
        for (int k = 0; k < 8; ++k) o[w + k] = p[i + k];
        w += 8;
      }
      i += 8;
    }
    if (i >= n) break;
    const unsigned b = p[i];
    if (b < 0x80) {
      if (b == 0) {
        run.stop = Utf8Stop::Nul;
        break;
      }
      if constexpr (kStore) o[w++] = static_cast<char16_t>(b);
      ++i;
      continue;
    }
    const SequenceCheck s = CheckSequence(p + i, n - i);
    if (s.length == 0) {
      run.stop = s.cut ? Utf8Stop::Cut : Utf8Stop::IllFormed;
      run.bad = static_cast<std::size_t>(s.good);
      break;
    }
    if constexpr (kStore) {
      std::uint32_t cp;
      if (s.length == 2) {
        cp = ((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
      } else if (s.length == 3) {
        cp = ((b & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
      } else {
        cp = ((b & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) |
             (p[i + 3] & 0x3Fu);
      }
      if (cp >= 0x10000) {
        cp -= 0x10000;
        o[w++] = static_cast<char16_t>(0xD800 + (cp >> 10));
        o[w++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      } else {
        o[w++] = static_cast<char16_t>(cp);
      }
    }
    i += static_cast<std::size_t>(s.length);
  }
  if constexpr (kStore) out->resize(base + w);
  run.used = i;
  return run;
}

// Back to the bytes a run of well-formed UTF-8 was decoded from.
void EncodeUtf8(const std::vector<char16_t>& units, std::vector<unsigned char>& bytes) {
  bytes.clear();
  bytes.reserve(units.size() * 3);
  for (std::size_t k = 0; k < units.size(); ++k) {
    std::uint32_t c = units[k];
    if (c >= 0xD800 && c < 0xDC00 && k + 1 < units.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++k] - 0xDC00);
    }
    if (c < 0x80) {
      bytes.push_back(static_cast<unsigned char>(c));
    } else if (c < 0x800) {
      bytes.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
      bytes.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      bytes.push_back(static_cast<unsigned char>(0xE0 | (c >> 12)));
      bytes.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else {
      bytes.push_back(static_cast<unsigned char>(0xF0 | (c >> 18)));
      bytes.push_back(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
      bytes.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    }
  }
}

// Widens the ASCII start of p[0..n) into out (resized to fit); returns its
// length. The scan goes eight bytes at a time and the widening is a plain
// loop the compiler vectorises.
std::size_t WidenAsciiPrefix(const unsigned char* p, std::size_t n, std::vector<char16_t>& out) {
  std::size_t k = 0;
  while (k + 8 <= n) {
    std::uint64_t word;
    std::memcpy(&word, p + k, 8);
    if (!AllAscii(word)) break;
    k += 8;
  }
  while (k < n && p[k] < 0x80) ++k;
  out.resize(k);
  char16_t* o = out.data();
  for (std::size_t i = 0; i < k; ++i) o[i] = p[i];
  return k;
}

void DecodeEightBit(const CodePage& page, const unsigned char* p, std::size_t n,
                    std::vector<char16_t>& out) {
  out.resize(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = page.map[p[i]];
}

// Turns the bytes of a file (after its mark) into decoded text for the
// normaliser, in the encoding the mark or the decoding choice gives.
//
// In auto mode the ASCII start of a text goes straight through, since it
// reads the same either way. From the first non-ASCII byte on, the text is
// decoded as UTF-8 and held back until it is known to be well formed up to
// its end (or its NUL): then the held text goes out as it is. At the first
// ill-formed sequence the held text is turned back into its bytes and read in
// the 8-bit code page, and so is the rest. Every byte is decoded once,
// except the held part of a text that turns out not to be UTF-8.
class TextDecoder {
 public:
  enum class Step { Utf16LE, Utf16BE, Utf8, EightBit, AutoAscii, AutoHolding };

  TextDecoder(Normaliser& norm, const DecodingChoice& choice)
      : norm_(norm), page_(choice.EightBit()) {}

  void Start(Step step) { step_ = step; }
  Step Current() const { return step_; }
  std::size_t HeldUnits() const { return held_.size(); }

  // Decodes bytes p[0..n). Returns how many were used; the rest (the start
  // of a cut UTF-8 sequence, an odd UTF-16 byte) waits for the next call.
  std::size_t Feed(const unsigned char* p, std::size_t n, bool eof) {
    switch (step_) {
      case Step::Utf16LE:
      case Step::Utf16BE: {
        const std::size_t used = n & ~std::size_t(1);  // an odd last byte waits for its partner
        units_.resize(used / 2);
        const bool le = step_ == Step::Utf16LE;
        for (std::size_t k = 0; k < used / 2; ++k) {
          units_[k] = le ? static_cast<char16_t>(p[2 * k] | (p[2 * k + 1] << 8))
                         : static_cast<char16_t>((p[2 * k] << 8) | p[2 * k + 1]);
        }
        Out(units_);
        return used;
      }
      case Step::EightBit:
        DecodeEightBit(*page_, p, n, units_);
        Out(units_);
        return n;
      case Step::Utf8:
        return FeedUtf8(p, n, eof);
      case Step::AutoAscii: {
        const std::size_t k = WidenAsciiPrefix(p, n, units_);
        Out(units_);
        valid_bytes_ += static_cast<std::int64_t>(k);
        if (k == n || norm_.Ended()) return n;
        step_ = Step::AutoHolding;
        return k + FeedHolding(p + k, n - k, eof);
      }
      case Step::AutoHolding:
        return FeedHolding(p, n, eof);
    }
    return n;
  }

  // Ends an undecided text: well formed up to its end, so UTF-8 when it held
  // a multi-byte sequence, else (pure ASCII) the 8-bit code page.
  void Finish() {
    if (step_ == Step::AutoHolding) Decide(true);
    if (step_ == Step::AutoAscii) step_ = Step::EightBit;
  }

  // Settles a held text: UTF-8, or the 8-bit code page from its first
  // non-ASCII byte on.
  void Decide(bool utf8) {
    if (utf8) {
      Out(held_);
      step_ = Step::Utf8;
    } else {
      EncodeUtf8(held_, raw_);
      DecodeEightBit(*page_, raw_.data(), raw_.size(), units_);
      Out(units_);
      step_ = Step::EightBit;
    }
    held_.clear();
    held_.shrink_to_fit();
  }

  std::int64_t ValidBytes() const { return valid_bytes_; }
  const CodePagePtr& Page() const { return page_; }

 private:
  void Out(const std::vector<char16_t>& u) {
    norm_.Feed(u.data(), static_cast<qsizetype>(u.size()));
  }

  std::size_t FeedHolding(const unsigned char* p, std::size_t n, bool eof) {
    // Most 8-bit texts fail at their first non-ASCII byte: settle those
    // before anything is held.
    if (held_.empty() && n > 0 && p[0] >= 0x80) {
      const SequenceCheck first = CheckSequence(p, n);
      if (first.length == 0 && !first.cut) {
        Decide(false);
        DecodeEightBit(*page_, p, n, units_);
        Out(units_);
        return n;
      }
    }
    const Utf8Run r = DecodeUtf8Run<true>(p, n, &held_);
    valid_bytes_ += static_cast<std::int64_t>(r.used);
    switch (r.stop) {
      case Utf8Stop::End:
        return n;
      case Utf8Stop::Nul:
        held_.push_back(0);  // the normaliser ends the text there
        Decide(true);
        return n;
      case Utf8Stop::Cut:
        if (!eof) return r.used;
        [[fallthrough]];
      case Utf8Stop::IllFormed:
        Decide(false);
        DecodeEightBit(*page_, p + r.used, n - r.used, units_);
        Out(units_);
        return n;
    }
    return n;
  }

  // UTF-8 with replacement: each ill-formed sequence (its maximal
  // well-formed start, or a single byte) becomes one U+FFFD.
  std::size_t FeedUtf8(const unsigned char* p, std::size_t n, bool eof) {
    units_.clear();
    std::size_t i = 0;
    while (i < n) {
      const Utf8Run r = DecodeUtf8Run<true>(p + i, n - i, &units_);
      valid_bytes_ += static_cast<std::int64_t>(r.used);
      i += r.used;
      if (r.stop == Utf8Stop::End) break;
      if (r.stop == Utf8Stop::Nul) {
        units_.push_back(0);
        i = n;
        break;
      }
      if (r.stop == Utf8Stop::Cut && !eof) break;
      units_.push_back(0xFFFD);
      i += r.bad;
    }
    Out(units_);
    return i;
  }

  Normaliser& norm_;
  CodePagePtr page_;
  Step step_ = Step::EightBit;
  std::vector<char16_t> units_;
  std::vector<char16_t> held_;
  std::vector<unsigned char> raw_;
  std::int64_t valid_bytes_ = 0;
};

// The read size, and the held units past which an undecided text is settled
// by reading ahead without decoding, so that a huge UTF-8 file is never held
// whole. Relaxed atomics: they are set before any reading starts.
std::atomic<std::size_t> g_read_chunk{TextReaderSizes{}.read_chunk};
std::atomic<std::size_t> g_hold_limit{TextReaderSizes{}.hold_limit};

std::size_t ReadSome(int fd, char* buf, std::size_t n, const QString& path) {
  for (;;) {
    const ssize_t got = ::read(fd, buf, n);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw FileReadError(path, ErrnoText(errno));
  }
}

// Reads on from the file's current offset, tail being the bytes before it
// that are not decoded yet, and tells whether the text is well-formed UTF-8
// up to its NUL or end.
bool RestIsUtf8(int fd, const unsigned char* tail, std::size_t tail_n, const QString& path) {
  const std::size_t chunk = g_read_chunk.load(std::memory_order_relaxed);
  std::vector<unsigned char> buf(chunk + 8);
  std::memcpy(buf.data(), tail, tail_n);
  std::size_t carry = tail_n;
  for (;;) {
    const std::size_t got = ReadSome(fd, reinterpret_cast<char*>(buf.data()) + carry, chunk, path);
    const std::size_t avail = carry + got;
    const Utf8Run r = DecodeUtf8Run<false>(buf.data(), avail, nullptr);
    switch (r.stop) {
      case Utf8Stop::Nul:
        return true;
      case Utf8Stop::IllFormed:
        return false;
      case Utf8Stop::Cut:
        if (got == 0) return false;
        carry = avail - r.used;
        std::memmove(buf.data(), buf.data() + r.used, carry);
        break;
      case Utf8Stop::End:
        if (got == 0) return true;
        carry = 0;
        break;
    }
  }
}

}  // namespace

TextReaderSizes CurrentTextReaderSizes() {
  return {g_read_chunk.load(std::memory_order_relaxed),
          g_hold_limit.load(std::memory_order_relaxed)};
}

void SetTextReaderSizes(const TextReaderSizes& sizes) {
  g_read_chunk.store(std::max<std::size_t>(sizes.read_chunk, 4), std::memory_order_relaxed);
  g_hold_limit.store(std::max<std::size_t>(sizes.hold_limit, 1), std::memory_order_relaxed);
}

QString TextEncodingName(const TextFileInfo& info) {
  switch (info.encoding) {
    case TextEncoding::Utf8:
      return info.has_bom ? QStringLiteral("UTF-8 with byte-order mark") : QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
      return QStringLiteral("UTF-16 LE");
    case TextEncoding::Utf16BE:
      return QStringLiteral("UTF-16 BE");
    case TextEncoding::Ansi:
      break;
  }
  return info.code_page.isEmpty() ? QStringLiteral("8-bit") : info.code_page;
}

bool SetAnsiCodePage(const QString& name, QString* error) {
  CodePagePtr page = FindCodePage(name, error);
  if (!page) return false;
  std::lock_guard<std::mutex> lock(g_choice_mutex);
  g_choice.fallback = std::move(page);
  return true;
}

QString AnsiCodePage() {
  std::lock_guard<std::mutex> lock(g_choice_mutex);
  return g_choice.fallback->name;
}

bool IsUsableAnsiCodePage(const QString& name, QString* error) {
  return FindCodePage(name, error) != nullptr;
}

bool IsUsableTextDecoding(const QString& choice, QString* error) {
  const QString c = choice.trimmed().toLower();
  if (c == QLatin1String("auto") || IsUtf8Name(c)) return true;
  return FindCodePage(choice, error) != nullptr;
}

bool SetTextDecoding(const QString& choice, QString* error) {
  const QString c = choice.trimmed().toLower();
  if (c == QLatin1String("auto") || IsUtf8Name(c)) {
    std::lock_guard<std::mutex> lock(g_choice_mutex);
    g_choice.mode = c == QLatin1String("auto") ? DecodingMode::Auto : DecodingMode::Utf8;
    return true;
  }
  CodePagePtr page = FindCodePage(choice, error);
  if (!page) return false;
  std::lock_guard<std::mutex> lock(g_choice_mutex);
  g_choice.mode = DecodingMode::CodePage;
  g_choice.forced = std::move(page);
  return true;
}

QString TextDecoding() {
  std::lock_guard<std::mutex> lock(g_choice_mutex);
  switch (g_choice.mode) {
    case DecodingMode::Auto:
      return QStringLiteral("auto");
    case DecodingMode::Utf8:
      return QStringLiteral("utf-8");
    case DecodingMode::CodePage:
      break;
  }
  return g_choice.forced->name;
}

QString DecodeAnsi(const char* data, std::int64_t n) {
  const CodePagePtr page = CurrentChoice().EightBit();
  std::vector<char16_t> out;
  DecodeEightBit(*page, reinterpret_cast<const unsigned char*>(data), static_cast<std::size_t>(n),
                 out);
  return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
}

std::int64_t ReadNormalisedText(const QString& path, const std::function<void(QStringView)>& sink,
                                TextFileInfo* info) {
  const QByteArray native = NativeFromName(path);
  struct stat st;
  if (::stat(native.constData(), &st) != 0) throw FileReadError(path, ErrnoText(errno));
  // FIFOs, sockets and devices are never opened: opening one could block or
  // consume someone else's data.
  if (!S_ISREG(st.st_mode)) throw FileReadError(path, QStringLiteral("not a regular file"));
  FileHandle fh(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fh.get() < 0) throw FileReadError(path, ErrnoText(errno));
  if (::fstat(fh.get(), &st) != 0 || !S_ISREG(st.st_mode))
    throw FileReadError(path, QStringLiteral("not a regular file"));
  ::posix_fadvise(fh.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  TextFileInfo local;
  local.size = static_cast<std::int64_t>(st.st_size);
  const DecodingChoice choice = CurrentChoice();

  const std::size_t chunk = g_read_chunk.load(std::memory_order_relaxed);
  const std::size_t hold_limit = g_hold_limit.load(std::memory_order_relaxed);
  std::vector<char> buf(chunk + 8);
  std::size_t carry =
      0;  // bytes kept from the previous read (mark probe, cut sequence, odd UTF-16 byte)
  bool first = true;
  Normaliser norm(sink);
  TextDecoder decoder(norm, choice);

  for (;;) {
    const std::size_t got = ReadSome(fh.get(), buf.data() + carry, chunk, path);
    std::size_t avail = carry + got;
    const bool eof = got == 0;
    const auto* p = reinterpret_cast<const unsigned char*>(buf.data());
    if (first) {
      // Gather three bytes before deciding on the mark, unless the file is shorter.
      if (avail < 3 && !eof) {
        carry = avail;
        continue;
      }
      first = false;
      using Step = TextDecoder::Step;
      if (avail >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        local.encoding = TextEncoding::Utf8;
        local.has_bom = true;
        p += 3;
        avail -= 3;
        decoder.Start(Step::Utf8);
      } else if (avail >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        local.encoding = TextEncoding::Utf16LE;
        local.has_bom = true;
        p += 2;
        avail -= 2;
        decoder.Start(Step::Utf16LE);
      } else if (avail >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        local.encoding = TextEncoding::Utf16BE;
        local.has_bom = true;
        p += 2;
        avail -= 2;
        decoder.Start(Step::Utf16BE);
      } else if (choice.mode == DecodingMode::Utf8) {
        decoder.Start(Step::Utf8);
      } else if (choice.mode == DecodingMode::CodePage) {
        decoder.Start(Step::EightBit);
      } else {
        decoder.Start(Step::AutoAscii);
      }
    }
    const std::size_t used = decoder.Feed(p, avail, eof);
    if (norm.Ended() || eof) break;
    carry = avail - used;
    if (decoder.Current() == TextDecoder::Step::AutoHolding && decoder.HeldUnits() > hold_limit) {
      // Settle by reading ahead, then go on decoding from where the held text ends.
      const off_t resume = ::lseek(fh.get(), 0, SEEK_CUR) - static_cast<off_t>(carry);
      decoder.Decide(RestIsUtf8(fh.get(), p + used, carry, path));
      if (::lseek(fh.get(), resume, SEEK_SET) != resume)
        throw FileReadError(path, ErrnoText(errno));
      carry = 0;
      continue;
    }
    if (carry) std::memmove(buf.data(), p + used, carry);
  }
  decoder.Finish();
  norm.Finish();
  local.cut_at_nul = norm.Ended();
  if (decoder.Current() == TextDecoder::Step::EightBit) {
    local.encoding = TextEncoding::Ansi;
    local.code_page = decoder.Page()->name;
  } else if (decoder.Current() == TextDecoder::Step::Utf8 && !local.has_bom) {
    local.encoding = TextEncoding::Utf8;
  }
  if (local.encoding == TextEncoding::Utf8 && !local.has_bom) {
    // Line breaks are ASCII, so each unit they add or take is one byte.
    local.utf8_length = decoder.ValidBytes() + (norm.Length() - norm.Consumed());
  }
  if (info) *info = local;
  return norm.Length();
}

QString ReadTextOfFile(const QString& path, TextFileInfo* info) {
  QString text;
  ReadNormalisedText(
      path, [&](QStringView piece) { text.append(piece); }, info);
  return text;
}

QString NormaliseDecodedText(QStringView text) {
  QString out;
  const std::function<void(QStringView)> sink = [&](QStringView piece) { out.append(piece); };
  Normaliser norm(sink);
  norm.Feed(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
  norm.Finish();
  return out;
}

bool TextFileInUnicode(const QString& path) {
  struct stat st;
  if (::stat(NativeFromName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  QFile f;
  if (!OpenNativeFile(f, path, QIODevice::ReadOnly)) return false;
  const QByteArray head = f.read(3);
  const auto* u = reinterpret_cast<const unsigned char*>(head.constData());
  if (head.size() >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) return true;
  if (head.size() >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF)))
    return true;
  return false;
}

char16_t UpperCaseUnit(char16_t c) { return Tables().upper[c]; }

void UpperCaseInPlace(QString& text) {
  const auto& up = Tables().upper;
  char16_t* p = reinterpret_cast<char16_t*>(text.data());
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) p[i] = up[p[i]];
}

bool IsLetterUnit(char16_t c) { return Tables().letter[c] != 0; }
