// The RTF writer: the documents it writes must parse, give back the text they
// were given (non-ASCII included) and carry the highlights.

#include "viewer/rtf_writer.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <array>
#include <cctype>

#include "support/test_support.h"

namespace {

// A small RTF reader, enough for what the writer produces. It records the text,
// the colour table (entry 0 is the automatic colour) and, per character, bold
// and the colour index. ok is false after a byte above 127, unbalanced braces
// or a \u escape without its hex-escaped one-byte fallback.
struct Parsed {
  bool ok = false;
  QString text;
  std::vector<std::array<int, 3>> colours;
  std::vector<bool> bold;
  std::vector<int> colour;
};

Parsed ParseRtf(const QByteArray& rtf) {
  Parsed out;
  struct State {
    bool bold = false;
    int cf = 0;
    bool font_table = false;
    bool colour_table = false;
  };
  std::vector<State> stack{State{}};
  std::array<int, 3> colour{0, 0, 0};
  auto add = [&](QChar c) {
    const State& s = stack.back();
    if (s.font_table || s.colour_table) return;
    out.text.append(c);
    out.bold.push_back(s.bold);
    out.colour.push_back(s.cf);
  };
  if (!rtf.startsWith("{\\rtf1")) return out;
  const qsizetype n = rtf.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char c = rtf[i];
    if (static_cast<unsigned char>(c) >= 0x80) return out;
    if (c == '{') {
      stack.push_back(stack.back());
    } else if (c == '}') {
      stack.pop_back();
      if (stack.empty()) return out;
    } else if (c == '\\' && i + 1 < n && QByteArray("\\{}").contains(rtf[i + 1])) {
      add(QLatin1Char(rtf[++i]));
    } else if (c == '\\') {
      qsizetype j = i + 1;
      while (j < n && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      const QByteArray word = rtf.mid(i + 1, j - i - 1);
      qsizetype k = j < n && rtf[j] == '-' ? j + 1 : j;
      while (k < n && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
      const bool has_number = k > j;
      const int number = has_number ? rtf.mid(j, k - j).toInt() : 0;
      i = k < n && rtf[k] == ' ' ? k : k - 1;  // the delimiting space belongs to the word
      State& s = stack.back();
      s.font_table = s.font_table || word == "fonttbl";
      s.colour_table = s.colour_table || word == "colortbl";
      if (word == "red") colour[0] = number;
      if (word == "green") colour[1] = number;
      if (word == "blue") colour[2] = number;
      if (word == "b") s.bold = !has_number || number != 0;
      if (word == "cf") s.cf = number;
      if (word == "par") add(QLatin1Char('\n'));
      if (word == "tab") add(QLatin1Char('\t'));
      if (word == "u") {
        add(QChar(static_cast<char16_t>(static_cast<std::uint16_t>(number))));
        if (rtf.mid(i + 1, 2) != "\\'") return out;
        i += 4;  // past the fallback
      }
    } else if (c == ';' && stack.back().colour_table) {
      out.colours.push_back(std::exchange(colour, {0, 0, 0}));
    } else if (c != '\r' && c != '\n') {  // line breaks of the RTF source are not text
      add(QLatin1Char(c));
    }
  }
  out.ok = stack.size() == 1;
  return out;
}

RtfDocument KeywordDocument(const QString& text) {
  RtfDocument doc;
  doc.text = text;
  doc.styles.push_back(RtfSpanStyle{{0, 0, 128}, {255, 236, 139}, true});       // keywords
  doc.styles.push_back(RtfSpanStyle{{150, 150, 150}, {255, 255, 255}, false});  // markup
  return doc;
}

}  // namespace

TEST(RtfWriter, HeadingTextAndHighlightsSurviveAParse) {
  // Non-ASCII of every kind: Latin-1, a character above U+7FFF (written as a
  // negative number), a surrogate pair, RTF's own special characters, a tab.
  const QString text = QStringLiteral(
      "Caf\u00e9 {braces} back\\slash\tand \u4e2d\u6587 \U0001F600 \uFB01\r\n"
      "second line with keyword\r\nthird <tag> line");
  RtfDocument doc = KeywordDocument(text);
  doc.heading = QStringLiteral("Score 12.5 \u00fcber");
  doc.summary = QStringLiteral("<alpha (3),gamma (5)>");
  doc.spans.push_back({static_cast<int>(text.indexOf(QStringLiteral("keyword"))), 7, 0});
  doc.spans.push_back({static_cast<int>(text.indexOf(QStringLiteral("<tag>"))), 5, 1});
  doc.spans.push_back({0, 4, 0});  // "Café", keyword at the very start

  const Parsed parsed = ParseRtf(WriteRtf(doc));
  ASSERT_TRUE(parsed.ok);
  // The heading (bold) and the summary come first, each a paragraph, then an empty one.
  const QString prefix = doc.heading + u'\n' + doc.summary + QStringLiteral("\n\n");
  QString expected = prefix + text;
  expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(parsed.text.toStdU16String(), expected.toStdU16String());
  ASSERT_EQ(parsed.bold.size(), static_cast<size_t>(parsed.text.size()));

  // The colour table holds the keyword colours; bold and the keyword colour
  // cover exactly the keyword spans.
  const auto colour_index = [&](std::array<int, 3> c) {
    return static_cast<int>(std::find(parsed.colours.begin(), parsed.colours.end(), c) -
                            parsed.colours.begin());
  };
  const int navy = colour_index({0, 0, 128});
  const int grey = colour_index({150, 150, 150});
  const int kw = static_cast<int>(parsed.text.indexOf(QStringLiteral("keyword")));
  const int tag = static_cast<int>(parsed.text.indexOf(QStringLiteral("<tag>")));
  for (int i = 0; i < parsed.text.size(); ++i) {
    const bool in_kw = (i >= kw && i < kw + 7) || (i >= prefix.size() && i < prefix.size() + 4);
    const bool in_tag = i >= tag && i < tag + 5;
    EXPECT_EQ(parsed.bold[static_cast<size_t>(i)], in_kw || i < doc.heading.size()) << "at " << i;
    EXPECT_EQ(parsed.colour[static_cast<size_t>(i)] == navy, in_kw) << "at " << i;
    EXPECT_EQ(parsed.colour[static_cast<size_t>(i)] == grey, in_tag) << "at " << i;
  }
}

TEST(RtfWriter, SpansPastTheEndOrOfNoStyleAreHarmless) {
  RtfDocument doc = KeywordDocument(QStringLiteral("ab"));
  doc.spans = {{1, 100, 0}, {5, 10, 0}, {-3, 2, 0}, {0, 1, 7}};  // style 7 does not exist
  const Parsed parsed = ParseRtf(WriteRtf(doc));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.text, QStringLiteral("ab"));
  EXPECT_EQ(parsed.bold, (std::vector<bool>{false, true}));
  // The same spans over an empty text.
  doc.text.clear();
  const Parsed empty = ParseRtf(WriteRtf(doc));
  EXPECT_TRUE(empty.ok && empty.text.isEmpty());
}

// An independent reader: the Debian unrtf converter, when installed (the
// dependency script installs it). It writes Latin-1 letters as named
// entities and others by number.
TEST(RtfWriter, UnrtfReadsTheText) {
  const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
  if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed";
  TempTree tree;
  RtfDocument doc =
      KeywordDocument(QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln\r\nzweite Zeile \u4e2d\r\n"));
  doc.spans.push_back({0, 5, 0});
  QProcess html;
  html.start(unrtf, {QStringLiteral("--html"), tree.Write("doc.rtf", WriteRtf(doc))});
  ASSERT_TRUE(html.waitForFinished(20000));
  ASSERT_EQ(html.exitCode(), 0) << html.readAllStandardError().toStdString();
  const QByteArray marked = html.readAllStandardOutput();
  EXPECT_TRUE(marked.contains("zweite Zeile &#20013;")) << marked.toStdString();
  // The keyword is bold, and only the keyword.
  EXPECT_TRUE(marked.contains("<b>Gr&uuml;&szlig;e</b>")) << marked.toStdString();
}
