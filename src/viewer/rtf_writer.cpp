#include "viewer/rtf_writer.h"

#include <algorithm>

namespace {

void AppendAscii(QByteArray& out, const char* s) { out.append(s); }

void AppendNumber(QByteArray& out, long long n) { out.append(QByteArray::number(n)); }

// The Windows-1252 byte of a character, or '?' when it has none: the fallback
// that readers without \u support show, and what the header's code page says.
unsigned char Cp1252ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  static const char16_t k80to9F[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  for (int i = 0; i < 32; ++i) {
    if (k80to9F[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return '?';
}

// Colour table entries: index 0 stays "auto", the document's colours follow.
class ColourTable {
 public:
  int IndexOf(const RtfColour& c) {
    auto it = std::find(colours_.begin(), colours_.end(), c);
    if (it != colours_.end()) return static_cast<int>(it - colours_.begin()) + 1;
    colours_.push_back(c);
    return static_cast<int>(colours_.size());
  }
  void Write(QByteArray& out) const {
    AppendAscii(out, "{\\colortbl;");
    for (const RtfColour& c : colours_) {
      AppendAscii(out, "\\red");
      AppendNumber(out, std::clamp(c.red, 0, 255));
      AppendAscii(out, "\\green");
      AppendNumber(out, std::clamp(c.green, 0, 255));
      AppendAscii(out, "\\blue");
      AppendNumber(out, std::clamp(c.blue, 0, 255));
      out.append(';');
    }
    AppendAscii(out, "}\r\n");
  }

 private:
  std::vector<RtfColour> colours_;
};

struct StyleCodes {
  QByteArray open;  // control words that switch the style on, ending in a space
};

StyleCodes CodesFor(const RtfSpanStyle& style, ColourTable& table) {
  StyleCodes codes;
  const int fg = table.IndexOf(style.text);
  const int bg = table.IndexOf(style.background);
  codes.open = "\\cf" + QByteArray::number(fg) + "\\chcbpat" + QByteArray::number(bg) +
               "\\highlight" + QByteArray::number(bg);
  if (style.bold) codes.open += "\\b";
  codes.open += ' ';
  return codes;
}

}  // namespace

void AppendRtfEscaped(QByteArray& out, QStringView text) {
  for (const QChar qc : text) {
    const char16_t c = qc.unicode();
    if (c == u'\\' || c == u'{' || c == u'}') {
      out.append('\\');
      out.append(static_cast<char>(c));
    } else if (c == u'\t') {
      AppendAscii(out, "\\tab ");
    } else if (c < 0x20 || c == 0x7F) {
      // Other control characters have no place in a document: dropped.
    } else if (c < 0x80) {
      out.append(static_cast<char>(c));
    } else {
      // RTF numbers are signed 16-bit: code units above 32767 are written
      // negative. Surrogate halves are written one by one, as readers expect.
      // The fallback is a hex escape rather than a bare "?": a bare letter
      // would run into the following word for readers that skip a token.
      static const char kHex[] = "0123456789abcdef";
      const unsigned char fallback = Cp1252ByteOf(c);
      AppendAscii(out, "\\u");
      AppendNumber(out, static_cast<std::int16_t>(c));
      AppendAscii(out, "\\'");
      out.append(kHex[fallback >> 4]);
      out.append(kHex[fallback & 15]);
    }
  }
}

QByteArray WriteRtf(const RtfDocument& doc) {
  ColourTable table;
  const StyleCodes normal = CodesFor(doc.normal, table);
  std::vector<StyleCodes> styles;
  styles.reserve(doc.styles.size());
  for (const RtfSpanStyle& s : doc.styles) styles.push_back(CodesFor(s, table));

  // The style of every code unit: 0 for normal text, style + 1 inside a span.
  // Later spans win where spans overlap.
  const qsizetype n = doc.text.size();
  std::vector<std::uint16_t> style_of(static_cast<size_t>(n), 0);
  for (const RtfSpan& span : doc.spans) {
    if (span.style < 0 || span.style >= static_cast<int>(styles.size()) || span.length <= 0)
      continue;
    const qsizetype from = std::clamp<qsizetype>(span.start, 0, n);
    const qsizetype to =
        std::clamp<qsizetype>(static_cast<qsizetype>(span.start) + span.length, 0, n);
    std::fill(style_of.begin() + from, style_of.begin() + to,
              static_cast<std::uint16_t>(span.style + 1));
  }

  QByteArray out;
  out.reserve(static_cast<qsizetype>(n * 1.2) + 1024);
  AppendAscii(out, "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl{\\f0\\fnil\\fcharset0 ");
  AppendRtfEscaped(out, doc.font_name.isEmpty() ? QStringLiteral("Arial") : doc.font_name);
  AppendAscii(out, ";}}\r\n");
  table.Write(out);
  const int half_points = std::max(2, doc.font_size_points * 2);
  AppendAscii(out, "\\viewkind4\\pard\\plain\\f0\\fs");
  AppendNumber(out, half_points);
  out.append(' ');
  out.append(normal.open);
  AppendAscii(out, "\r\n");

  if (!doc.heading.isEmpty()) {
    AppendAscii(out, "{\\b\\fs");
    AppendNumber(out, half_points + half_points / 2);
    out.append(' ');
    AppendRtfEscaped(out, doc.heading);
    AppendAscii(out, "}\\par\r\n");
  }
  if (!doc.summary.isEmpty()) {
    AppendAscii(out, "{\\i ");
    AppendRtfEscaped(out, doc.summary);
    AppendAscii(out, "}\\par\r\n");
  }
  if (!doc.heading.isEmpty() || !doc.summary.isEmpty()) AppendAscii(out, "\\par\r\n");

  // The text: a span's group is closed at every line end and reopened on the
  // next line, so that no group crosses a paragraph mark.
  const QChar* data = doc.text.constData();
  int open_style = 0;
  qsizetype run_start = 0;
  auto flush = [&](qsizetype to) {
    if (to > run_start) AppendRtfEscaped(out, QStringView(data + run_start, to - run_start));
    run_start = to;
  };
  auto close_group = [&] {
    if (open_style != 0) out.append('}');
    open_style = 0;
  };
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = data[i].unicode();
    if (c == u'\r' || c == u'\n') {
      flush(i);
      close_group();
      AppendAscii(out, "\\par\r\n");
      if (c == u'\r' && i + 1 < n && data[i + 1].unicode() == u'\n') ++i;
      run_start = i + 1;
      continue;
    }
    const int s = style_of[static_cast<size_t>(i)];
    if (s != open_style) {
      flush(i);
      close_group();
      if (s != 0) {
        out.append('{');
        out.append(styles[static_cast<size_t>(s - 1)].open);
      }
      open_style = s;
    }
  }
  flush(n);
  close_group();
  AppendAscii(out, "}\r\n");
  return out;
}
