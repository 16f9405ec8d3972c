#include "runtime/text_reader.h"

#include <QChar>
#include <QFile>
#include <QStringDecoder>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "runtime/error.h"

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 control of the same number, so
// every byte gives exactly one character.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::mutex g_codepage_mutex;
QString g_codepage = QStringLiteral("windows-1252");
bool g_codepage_is_1252 = true;

bool IsWindows1252Name(const QString& name) {
  const QString n = name.toLower();
  return n == QLatin1String("windows-1252") || n == QLatin1String("cp1252") ||
         n == QLatin1String("1252");
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
        break;
      } else {
        out_.push_back(c);
        line_open_ = true;
        after_cr_ = false;
      }
    }
    Flush();
  }

  void Finish() {
    out_.clear();
    if (line_open_) PutBreak();
    Flush();
  }

  std::int64_t Length() const { return length_; }

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

// Where a piece of UTF-8 may end for separate decoding: just after an ASCII
// byte, which leaves a decoder at a fresh start whatever came before, or else
// just before a lead byte. Only the last four bytes are looked at, so that at
// most four are carried to the next piece; without either, the piece is
// taken whole.
std::size_t Utf8PieceEnd(const unsigned char* u, std::size_t n) {
  const std::size_t from = n > 4 ? n - 4 : 0;
  for (std::size_t k = n; k > from; --k)
    if (u[k - 1] < 0x80) return k;
  for (std::size_t k = n; k > from; --k)
    if (u[k - 1] >= 0xC0) return k - 1;
  return n;
}

}  // namespace

bool SetAnsiCodePage(const QString& name) {
  if (IsWindows1252Name(name)) {
    std::lock_guard<std::mutex> lock(g_codepage_mutex);
    g_codepage = QStringLiteral("windows-1252");
    g_codepage_is_1252 = true;
    return true;
  }
  QStringDecoder probe(name.toUtf8().constData());
  if (!probe.isValid()) return false;
  std::lock_guard<std::mutex> lock(g_codepage_mutex);
  g_codepage = name;
  g_codepage_is_1252 = false;
  return true;
}

QString AnsiCodePage() {
  std::lock_guard<std::mutex> lock(g_codepage_mutex);
  return g_codepage;
}

namespace {
void DecodeAnsiInto(const char* data, qsizetype n, bool is1252, QStringDecoder* decoder,
                    std::vector<char16_t>& out) {
  out.clear();
  if (is1252 || !decoder) {
    out.resize(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
      const auto b = static_cast<unsigned char>(data[i]);
      out[static_cast<std::size_t>(i)] =
          (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
    return;
  }
  const QString s = decoder->decode(QByteArrayView(data, n));
  out.assign(s.utf16(), s.utf16() + s.size());
}
}  // namespace

QString DecodeAnsi(const char* data, std::int64_t n) {
  bool is1252;
  QString name;
  {
    std::lock_guard<std::mutex> lock(g_codepage_mutex);
    is1252 = g_codepage_is_1252;
    name = g_codepage;
  }
  std::unique_ptr<QStringDecoder> decoder;
  if (!is1252) decoder = std::make_unique<QStringDecoder>(name.toUtf8().constData());
  std::vector<char16_t> out;
  DecodeAnsiInto(data, static_cast<qsizetype>(n), is1252, decoder.get(), out);
  return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
}

std::int64_t ReadNormalisedText(const QString& path, const std::function<void(QStringView)>& sink,
                                TextFileInfo* info) {
  const QByteArray native = QFile::encodeName(path);
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

  constexpr std::size_t kChunk = 1 << 18;
  std::vector<char> buf(kChunk + 4);
  std::size_t carry = 0;  // bytes kept from the previous read (BOM probe, odd UTF-16 byte)
  bool first = true;
  bool is1252 = true;
  std::unique_ptr<QStringDecoder> decoder;
  std::vector<char16_t> units;
  Normaliser norm(sink);

  for (;;) {
    ssize_t got = ::read(fh.get(), buf.data() + carry, kChunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileReadError(path, ErrnoText(errno));
    }
    std::size_t avail = carry + static_cast<std::size_t>(got);
    const bool eof = got == 0;
    const char* p = buf.data();
    if (first) {
      // Gather three bytes before deciding on the mark, unless the file is shorter.
      if (avail < 3 && !eof) {
        carry = avail;
        continue;
      }
      first = false;
      const auto* u = reinterpret_cast<const unsigned char*>(p);
      if (avail >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        local.encoding = TextEncoding::Utf8;
        local.has_bom = true;
        p += 3;
        avail -= 3;
      } else if (avail >= 2 && u[0] == 0xFF && u[1] == 0xFE) {
        local.encoding = TextEncoding::Utf16LE;
        local.has_bom = true;
        p += 2;
        avail -= 2;
      } else if (avail >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
        local.encoding = TextEncoding::Utf16BE;
        local.has_bom = true;
        p += 2;
        avail -= 2;
      } else {
        std::lock_guard<std::mutex> lock(g_codepage_mutex);
        is1252 = g_codepage_is_1252;
        if (!is1252) decoder = std::make_unique<QStringDecoder>(g_codepage.toUtf8().constData());
      }
    }
    std::size_t used = avail;
    switch (local.encoding) {
      case TextEncoding::Ansi:
        DecodeAnsiInto(p, static_cast<qsizetype>(avail), is1252, decoder.get(), units);
        break;
      case TextEncoding::Utf8: {
        // Each piece is decoded on its own, so it must end where decoding
        // the whole file would be at a fresh start; otherwise an invalid
        // sequence cut by the chunk boundary would yield a different number
        // of replacement characters, and the text would depend on where the
        // reads happen to fall.
        if (!eof) used = Utf8PieceEnd(reinterpret_cast<const unsigned char*>(p), avail);
        const QString s = QString::fromUtf8(p, static_cast<qsizetype>(used));
        units.assign(s.utf16(), s.utf16() + s.size());
        break;
      }
      case TextEncoding::Utf16LE:
      case TextEncoding::Utf16BE: {
        used = avail & ~std::size_t(1);  // an odd last byte waits for its partner
        units.resize(used / 2);
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        const bool le = local.encoding == TextEncoding::Utf16LE;
        for (std::size_t k = 0; k < used / 2; ++k) {
          units[k] = le ? static_cast<char16_t>(u[2 * k] | (u[2 * k + 1] << 8))
                        : static_cast<char16_t>((u[2 * k] << 8) | u[2 * k + 1]);
        }
        break;
      }
    }
    norm.Feed(units.data(), static_cast<qsizetype>(units.size()));
    if (norm.Ended() || eof) break;
    carry = avail - used;
    if (carry) std::memmove(buf.data(), p + used, carry);
  }
  norm.Finish();
  if (info) *info = local;
  return norm.Length();
}

QString ReadTextOfFile(const QString& path, TextFileInfo* info) {
  QString text;
  ReadNormalisedText(path, [&](QStringView piece) { text.append(piece); }, info);
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
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
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
