#pragma once
// Writes a shown text with its highlights as an RTF document.
//
// The document has a font table with one font, a colour table, an optional
// heading (bold, larger) and summary paragraph, and then the text, one RTF
// paragraph per line. Styled spans (keyword hits, greyed markup) get their
// colours and, for keywords, bold. Every character outside printable ASCII is
// written as an RTF Unicode escape, \uN followed by its Windows-1252 byte as
// a hex escape (or \'3f, "?", when it has none) for readers that do not know
// \u, so the file is plain 7-bit ASCII and opens the same in any word
// processor, whatever its code page.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

struct RtfColour {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const RtfColour&) const = default;
};

// The colours of highlighted terms, on screen and in saved RTF files.
constexpr RtfColour kHighlightText{0, 0, 128};
constexpr RtfColour kHighlightBackground{255, 236, 139};

// How a span of text is drawn.
struct RtfSpanStyle {
  RtfColour text{0, 0, 0};
  RtfColour background{255, 255, 255};
  bool bold = false;
};

// A styled span of the text: [start, start + length) in UTF-16 code units.
// Spans may come in any order and may overlap; where they overlap, the span
// given later wins.
struct RtfSpan {
  int start = 0;
  int length = 0;
  int style = 0;  // index into RtfDocument::styles
};

struct RtfDocument {
  QString text;  // lines end in CR LF, LF or CR
  QString font_name = QStringLiteral("Arial");
  int font_size_points = 10;
  RtfSpanStyle normal;               // text outside every span
  std::vector<RtfSpanStyle> styles;  // styles of the spans
  std::vector<RtfSpan> spans;
  QString heading;  // empty: no heading paragraph
  QString summary;  // empty: no summary paragraph
};

// The RTF text of the document (7-bit ASCII).
QByteArray WriteRtf(const RtfDocument& doc);

// Appends text to out with RTF escapes: \ { } escaped, tab as \tab, other
// control characters dropped, non-ASCII as \uN\'xx (signed 16-bit N per
// UTF-16 code unit, as RTF readers expect). Line breaks are not handled here.
void AppendRtfEscaped(QByteArray& out, QStringView text);
