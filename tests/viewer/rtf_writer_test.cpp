// The RTF writer: the documents it writes must parse, give back the text they
// were given (non-ASCII included) and carry the highlights.

#include "viewer/rtf_writer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <array>
#include <cctype>
#include <map>

#include "support/test_support.h"

namespace {

// A small RTF reader, enough for what the writer produces: groups, control
// words with numbers, escaped symbols, \u escapes with their fallback, and
// the font and colour tables as skipped destinations. It records the text,
// the colour table and, per character of the body, whether it was bold and
// which foreground colour index it had.
struct Parsed {
  bool ok = false;
  QString error;
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
    bool skip = false;  // inside the font or colour table
    bool colour_table = false;
  };
  std::vector<State> stack{State{}};
  int pending_fallback = 0;
  std::array<int, 3> colour{0, 0, 0};
  bool colour_started = false;
  auto add = [&](QChar c) {
    if (stack.back().skip) return;
    if (pending_fallback > 0) {
      --pending_fallback;
      return;
    }
    out.text.append(c);
    out.bold.push_back(stack.back().bold);
    out.colour.push_back(stack.back().cf);
  };
  if (!rtf.startsWith("{\\rtf1")) {
    out.error = QStringLiteral("no RTF header");
    return out;
  }
  const qsizetype n = rtf.size();
  int depth = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char c = rtf[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      out.error = QStringLiteral("byte above 127 at %1").arg(i);
      return out;
    }
    if (c == '{') {
      ++depth;
      stack.push_back(stack.back());
    } else if (c == '}') {
      if (--depth < 0 || stack.size() < 2) {
        out.error = QStringLiteral("unbalanced } at %1").arg(i);
        return out;
      }
      stack.pop_back();
    } else if (c == '\\') {
      if (i + 1 >= n) break;
      const char next = rtf[i + 1];
      if (next == '\\' || next == '{' || next == '}') {
        add(QLatin1Char(next));
        ++i;
        continue;
      }
      if (next == '\'') {  // \'xx: a byte of the code page (Latin-1 here)
        add(QChar(static_cast<char16_t>(rtf.mid(i + 2, 2).toInt(nullptr, 16))));
        i += 3;
        continue;
      }
      qsizetype j = i + 1;
      while (j < n && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      const QByteArray word = rtf.mid(i + 1, j - i - 1);
      qsizetype k = j;
      if (k < n && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) ++k;
      while (k < n && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
      const bool has_number = k > j;
      const int number = has_number ? rtf.mid(j, k - j).toInt() : 0;
      if (k < n && rtf[k] == ' ') ++k;  // the delimiting space belongs to the word
      i = k - 1;
      if (word == "fonttbl") stack.back().skip = true;
      if (word == "colortbl") {
        stack.back().skip = true;
        stack.back().colour_table = true;
      }
      if (stack.back().colour_table) {
        if (word == "red") colour[0] = number, colour_started = true;
        if (word == "green") colour[1] = number;
        if (word == "blue") colour[2] = number;
        continue;
      }
      if (word == "b") stack.back().bold = !has_number || number != 0;
      if (word == "plain") stack.back().bold = false;
      if (word == "cf") stack.back().cf = number;
      if (word == "par") add(QLatin1Char('\n'));
      if (word == "tab") add(QLatin1Char('\t'));
      if (word == "u") {
        add(QChar(static_cast<char16_t>(static_cast<std::uint16_t>(number))));
        pending_fallback = 1;
      }
    } else if (c == '\r' || c == '\n') {
      // line breaks of the RTF source are not text
    } else if (stack.back().colour_table) {
      if (c == ';') {
        if (colour_started) out.colours.push_back(colour);
        colour = {0, 0, 0};
        colour_started = false;
      }
    } else {
      add(QLatin1Char(c));
    }
  }
  if (depth != 0) {
    out.error = QStringLiteral("%1 groups left open").arg(depth);
    return out;
  }
  out.ok = true;
  return out;
}

// The character references of the HTML that unrtf writes.
QString DecodeEntities(const QString& html) {
  static const std::map<QString, char16_t> named{{QStringLiteral("uuml"), 0xFC},
                                                 {QStringLiteral("ouml"), 0xF6},
                                                 {QStringLiteral("szlig"), 0xDF},
                                                 {QStringLiteral("amp"), u'&'}};
  QString out;
  for (qsizetype i = 0; i < html.size(); ++i) {
    const qsizetype semi = html[i] == QLatin1Char('&') ? html.indexOf(QLatin1Char(';'), i) : -1;
    if (semi > i && semi - i < 10) {
      const QString name = html.mid(i + 1, semi - i - 1);
      if (name.startsWith(QLatin1Char('#'))) {
        out.append(QChar(static_cast<char16_t>(name.mid(1).toInt())));
        i = semi;
        continue;
      }
      auto it = named.find(name);
      if (it != named.end()) {
        out.append(QChar(it->second));
        i = semi;
        continue;
      }
    }
    out.append(html[i]);
  }
  return out;
}

RtfDocument KeywordDocument(const QString& text) {
  RtfDocument doc;
  doc.text = text;
  doc.normal = RtfSpanStyle{{0, 0, 0}, {255, 255, 255}, false};
  doc.styles.push_back(RtfSpanStyle{{0, 0, 128}, {255, 236, 139}, true});       // keywords
  doc.styles.push_back(RtfSpanStyle{{150, 150, 150}, {255, 255, 255}, false});  // markup
  return doc;
}

}  // namespace

TEST(RtfWriter, TextAndHighlightsSurviveAParse) {
  // Non-ASCII of every kind: Latin-1, a character above U+7FFF (written as a
  // negative number), a surrogate pair, RTF's own special characters, a tab.
  const QString text = QStringLiteral(
      "Caf\u00e9 {braces} back\\slash\tand \u4e2d\u6587 \U0001F600 \uFB01\r\n"
      "second line with keyword\r\nthird <tag> line");
  RtfDocument doc = KeywordDocument(text);
  const int kw = static_cast<int>(text.indexOf(QStringLiteral("keyword")));
  const int tag = static_cast<int>(text.indexOf(QStringLiteral("<tag>")));
  doc.spans.push_back({kw, 7, 0});
  doc.spans.push_back({tag, 5, 1});
  doc.spans.push_back({0, 4, 0});  // "Café", keyword at the very start
  const QByteArray rtf = WriteRtf(doc);

  const Parsed parsed = ParseRtf(rtf);
  ASSERT_TRUE(parsed.ok) << parsed.error.toStdString();
  QString expected = text;
  expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(parsed.text.toStdU16String(), expected.toStdU16String());
  ASSERT_EQ(parsed.bold.size(), static_cast<size_t>(parsed.text.size()));

  // The colour table holds the keyword colours; bold and the keyword colour
  // cover exactly the keyword spans.
  ASSERT_GE(parsed.colours.size(), 3u);
  auto colour_index = [&](std::array<int, 3> c) {
    for (size_t i = 0; i < parsed.colours.size(); ++i) {
      if (parsed.colours[i] == c) return static_cast<int>(i) + 1;
    }
    return -1;
  };
  const int navy = colour_index({0, 0, 128});
  const int grey = colour_index({150, 150, 150});
  ASSERT_GT(navy, 0);
  ASSERT_GT(grey, 0);
  const int kw_parsed = static_cast<int>(parsed.text.indexOf(QStringLiteral("keyword")));
  const int tag_parsed = static_cast<int>(parsed.text.indexOf(QStringLiteral("<tag>")));
  for (int i = 0; i < parsed.text.size(); ++i) {
    const bool in_kw = (i >= kw_parsed && i < kw_parsed + 7) || i < 4;
    const bool in_tag = i >= tag_parsed && i < tag_parsed + 5;
    EXPECT_EQ(parsed.bold[static_cast<size_t>(i)], in_kw) << "at " << i;
    if (in_kw) {
      EXPECT_EQ(parsed.colour[static_cast<size_t>(i)], navy) << "at " << i;
    }
    if (in_tag) {
      EXPECT_EQ(parsed.colour[static_cast<size_t>(i)], grey) << "at " << i;
    }
  }
}

TEST(RtfWriter, HeadingAndSummaryComeFirst) {
  RtfDocument doc = KeywordDocument(QStringLiteral("body"));
  doc.heading = QStringLiteral("Score 12.5 \u00fcber");
  doc.summary = QStringLiteral("<alpha (3),gamma (5)>");
  const Parsed parsed = ParseRtf(WriteRtf(doc));
  ASSERT_TRUE(parsed.ok) << parsed.error.toStdString();
  EXPECT_EQ(parsed.text, QStringLiteral("Score 12.5 \u00fcber\n<alpha (3),gamma (5)>\n\nbody"));
  // The heading is bold, the body is not.
  EXPECT_TRUE(parsed.bold[0]);
  EXPECT_FALSE(parsed.bold[static_cast<size_t>(parsed.text.indexOf(QStringLiteral("body")))]);
}

TEST(RtfWriter, SpansPastTheEndOrOfNoStyleAreHarmless) {
  RtfDocument doc = KeywordDocument(QStringLiteral("ab"));
  doc.spans = {{1, 100, 0}, {5, 10, 0}, {-3, 2, 0}, {0, 1, 7}};  // style 7 does not exist
  const Parsed parsed = ParseRtf(WriteRtf(doc));
  ASSERT_TRUE(parsed.ok) << parsed.error.toStdString();
  EXPECT_EQ(parsed.text, QStringLiteral("ab"));
  EXPECT_EQ(parsed.bold, (std::vector<bool>{false, true}));
  // The same spans over an empty text.
  doc.text.clear();
  const Parsed empty = ParseRtf(WriteRtf(doc));
  EXPECT_TRUE(empty.ok && empty.text.isEmpty()) << empty.error.toStdString();
}

// An independent reader: the Debian unrtf converter, when installed (the
// dependency script installs it).
TEST(RtfWriter, UnrtfReadsTheText) {
  const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
  if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed";
  TempTree tree;
  RtfDocument doc =
      KeywordDocument(QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln\r\nzweite Zeile \u4e2d\r\n"));
  doc.heading = QStringLiteral("Heading");
  doc.spans.push_back({0, 5, 0});
  const QString path = tree.Write(QStringLiteral("doc.rtf"), WriteRtf(doc));

  QProcess html;
  html.start(unrtf, {QStringLiteral("--html"), path});
  ASSERT_TRUE(html.waitForFinished(20000));
  ASSERT_EQ(html.exitCode(), 0) << html.readAllStandardError().toStdString();
  const QString marked = DecodeEntities(QString::fromUtf8(html.readAllStandardOutput()));
  EXPECT_TRUE(marked.contains(QStringLiteral("Heading"))) << marked.toStdString();
  EXPECT_TRUE(marked.contains(QStringLiteral("aus K\u00f6ln"))) << marked.toStdString();
  EXPECT_TRUE(marked.contains(QStringLiteral("zweite Zeile \u4e2d"))) << marked.toStdString();
  // The keyword is bold, and only the keyword.
  EXPECT_TRUE(marked.contains(QStringLiteral("<b>Gr\u00fc\u00dfe</b>"))) << marked.toStdString();
}
