// The fast chunk finder (streamed cutting, hashed counting, files read on
// several threads) against a plain reference: the whole text in memory, cut
// by the written rules one after the other, counted in an ordered map.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "boilerplate/repeated_chunks.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

bool RefLineBreak(QChar c) { return QStringView(u"\n\r\u0085\u2028\u2029").contains(c); }
bool RefSpacedStop(QChar c) {
  return QStringLiteral(".!?\u2026\u037E\u061F\u203C\u2047\u2048\u2049").contains(c);
}
bool RefImmediateStop(QChar c) {
  return QStringLiteral("\u3002\uFF01\uFF1F\uFF61\uFF0E\u0964\u0965").contains(c);
}
bool RefCloser(QChar c) {
  return QStringLiteral("\"')]}\u00BB\u2019\u201D\u203A\u300D\u300F\u3009\u300B\u3011\uFF09")
      .contains(c);
}

QStringList Words(const char* words) { return QString::fromLatin1(words).split(u' '); }
const QStringList kAbbreviations = Words(
    "mr mrs ms dr prof st sr jr vs cf fig figs no nos nr vol pp approx ca dept gen col lt sgt capt "
    "rev hon mt ft jan feb mar apr jun jul aug sep sept oct nov dec bzw ggf vgl evtl inkl mme mlle "
    "sra srta ed eds ch art abs op cit ibid resp");
const QStringList kInlineTags = Words(
    "a abbr acronym b bdi bdo big cite code data del dfn em font i img ins kbd label mark nobr q "
    "samp small span strike strong sub sup time tt u var wbr");

bool RefAbbreviation(const QString& word) {
  return word.size() == 1 || kAbbreviations.contains(word.toLower());
}

bool RefInlineTag(const QString& inside) {
  QString t = inside.startsWith(u'/') ? inside.mid(1) : inside;
  if (t.startsWith(u'!') || t.startsWith(u'?')) return true;
  qsizetype n = 0;
  while (n < t.size() && t[n].unicode() < 0x80 && t[n].isLetterOrNumber()) ++n;
  return n > 0 && kInlineTags.contains(t.left(n).toLower());
}

// A chunk as "T:" (terminated) or "U:" (unterminated) and its text.
QString Cut(const QString& text, bool terminated) {
  return (terminated ? QStringLiteral("T:") : QStringLiteral("U:")) + text;
}

// One sentence (or the rest of a paragraph), its white space normalised,
// split where it is too long.
void AddSentence(const QString& raw, bool terminated, QStringList* out) {
  QString s = raw.simplified();
  while (s.size() >= kMaxChunkLength) {
    const qsizetype space = s.left(kMaxChunkLength).lastIndexOf(u' ');
    const qsizetype cut = space > 0 ? space : kMaxChunkLength;
    *out << Cut(s.left(cut), false);
    s = s.mid(cut).trimmed();
  }
  if (!s.isEmpty()) *out << Cut(s, terminated);
}

// One paragraph, which ends in a line break, cut after each sentence end.
void CutParagraph(const QString& p, QStringList* out) {
  const qsizetype n = p.size();
  qsizetype from = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const bool at_once = RefImmediateStop(p[i]);
    if (!at_once && !RefSpacedStop(p[i])) continue;
    qsizetype j = i + 1;
    while (j < n && (at_once ? RefImmediateStop(p[j]) || RefCloser(p[j]) : RefSpacedStop(p[j])))
      ++j;
    const bool lone_dot = p[i] == u'.' && j == i + 1;
    while (j < n && RefCloser(p[j])) ++j;
    qsizetype w = i, k = j;
    while (w > from && p[w - 1].isLetter()) --w;
    bool line_break = false;
    while (k < n && p[k].isSpace()) line_break |= RefLineBreak(p[k++]);
    const bool abbreviation = lone_dot && i > w && RefAbbreviation(p.mid(w, i - w));
    if (at_once || (!abbreviation && k > j && (line_break || !p[k].isLower()))) {
      AddSentence(p.mid(from, j - from), true, out);
      from = j;
    }
    i = j - 1;
  }
  AddSentence(p.mid(from), false, out);
}

// Marks where block markup was (a character no random text holds).
const QChar kBlock(0xE000);

QStringList ReferenceCut(const QString& text, int tag_span) {
  // Markup: inline tags are dropped, block tags split the text into segments.
  QString marked;
  qsizetype from = 0;
  if (tag_span > 0) {
    const QRegularExpression tag(QStringLiteral("<[/!?\\p{L}][^>]{0,%1}>").arg(tag_span - 2));
    for (const QRegularExpressionMatch& m : tag.globalMatch(text)) {
      marked += text.mid(from, m.capturedStart() - from);
      if (!RefInlineTag(m.captured().mid(1, m.capturedLength() - 2))) marked += kBlock;
      from = m.capturedEnd();
    }
  }
  const QStringList segments = (marked + text.mid(from)).split(kBlock);
  // Paragraphs end at white space that holds two line feeds; a line break
  // stays with each, as it may end its last sentence.
  static const QRegularExpression kBlankLine(QStringLiteral("\\s*\\n\\s*\\n\\s*"),
                                             QRegularExpression::UseUnicodePropertiesOption);
  QStringList out;
  for (const QString& segment : segments)
    for (const QString& paragraph : segment.split(kBlankLine))
      CutParagraph(paragraph + u'\n', &out);
  return out;
}

// The pieces random texts are made of, split at "|": words, abbreviations,
// stops, closers, white space of every kind and markup, whole and broken.
const QStringList kTokens =
    QStringLiteral(
        "alpha|Beta|gamma|Delta|über|Ärger|niño|Él|x|A|b|Dr|Mr|No|vol|U|S|C|3|14|www|example|org|"
        "今天|下雨|ωμέγα|Ωmega|.|.|.|!|?|…|...|?!|。|！|、|,|;|)|\"|»|'|(| | | | |  "
        "|\t|\r\n|\n|\r\n\r\n|\n \n|\u00a0|\u3000|\u2028|<b>|</b>|<span "
        "class=x>|</span>|<p>|</p>|<br/>|<!-- c -->|<|< b|<3|>|<div|<a href=\"#\">|</a>|<LI>")
        .split(u'|');

QString RandomText(std::mt19937& rng, int tokens) {
  QString t;
  for (int k = 0; k < tokens; ++k) t += kTokens[rng() % kTokens.size()];
  return t;
}

// A long stretch without any sentence end: with spaces, or without any.
QString LongStretch(std::mt19937& rng) {
  const bool spaced = rng() % 2;
  QString t;
  for (int k = 300 + rng() % 700; k > 0; --k)
    t += spaced ? QStringLiteral("word%1 ").arg(rng() % 50) : QStringLiteral("xyz");
  return t;
}

// The text fed to the streaming cutter in random pieces.
QStringList StreamCut(const QString& text, int tag_span, std::mt19937& rng) {
  ChunkCutter cutter(ChunkRules{tag_span}, true, 1);
  const auto* s = reinterpret_cast<const char16_t*>(text.utf16());
  for (qsizetype at = 0, piece = 0; at < text.size(); at += piece) {
    piece = std::min<qsizetype>(text.size() - at, 1 + rng() % 40);
    cutter.Feed(s + at, piece);
  }
  cutter.Finish();
  CutChunkBatch batch;
  cutter.TakeChunks(&batch);
  QStringList out;
  for (const CutChunk& c : batch.chunks) out << Cut(batch.TextOf(c).toString(), c.terminated);
  return out;
}

TEST(ChunkOracle, StreamedCuttingEqualsTheReferenceOnRandomTexts) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 2000; ++round) {
    QString text = RandomText(rng, 1 + rng() % 60);
    if (round % 50 == 0) text = RandomText(rng, 5) + LongStretch(rng) + RandomText(rng, 10);
    for (int tag_span : {0, 4, 200}) {
      const auto expected = ReferenceCut(text, tag_span);
      ASSERT_EQ(StreamCut(text, tag_span, rng), expected)
          << "text: " << text.toStdString() << " span " << tag_span;
      QStringList whole;
      CutTextIntoChunks(text, ChunkRules{tag_span},
                        [&](QStringView c, bool t) { whole << Cut(c.toString(), t); });
      ASSERT_EQ(whole, expected);
    }
  }
}

struct Options {
  bool unterminated;
  int tag_span, min_hits, min_length;
};

// One found chunk as a line: its total, its text and its files with their
// hits ("12 Some text. | a.txt:2 b.txt:10").
QString FoundLine(std::int64_t total, const QString& text,
                  const std::vector<std::pair<QString, int>>& files) {
  QString line = QStringLiteral("%1 %2 |").arg(total).arg(text);
  for (const auto& [path, hits] : files) line += QStringLiteral(" %1:%2").arg(path).arg(hits);
  return line;
}

// The chunks found at least min_hits times, by hits or by the numbers of the
// files they are in; unreadable files are left out and not numbered.
QStringList ReferenceSearch(const QStringList& files, const Options& o, bool by_files) {
  std::map<QString, std::vector<std::pair<QString, int>>> found;  // text: files and hits
  std::map<QString, int> number_of;
  for (const QString& f : files) {
    QString text;
    try {
      text = ReadTextOfFile(f);
    } catch (...) {
      continue;
    }
    number_of[f] = static_cast<int>(number_of.size());
    for (const QString& cut : ReferenceCut(text, o.tag_span)) {
      const QString chunk = cut.mid(2);
      if ((cut.startsWith(u'U') && !o.unterminated) || chunk.size() < o.min_length) continue;
      auto& in = found[chunk];
      if (in.empty() || in.back().first != f) in.emplace_back(f, 0);
      ++in.back().second;
    }
  }
  // Sorted by (-total, first file, line) or by (files, -total, line).
  std::vector<std::tuple<std::int64_t, std::vector<int>, std::int64_t, QString>> rows;
  for (const auto& [text, in] : found) {
    std::vector<int> numbers;
    std::int64_t total = 0;
    for (const auto& [path, hits] : in) {
      numbers.push_back(number_of[path]);
      total += hits;
    }
    if (total < std::max(2, o.min_hits)) continue;
    if (!by_files) numbers.resize(1);
    rows.emplace_back(by_files ? 0 : -total, numbers, -total, FoundLine(total, text, in));
  }
  std::sort(rows.begin(), rows.end());
  QStringList out;
  for (const auto& row : rows) out << std::get<3>(row);
  return out;
}

QStringList EngineResult(const RepeatedChunks& engine) {
  QStringList out;
  for (int i = 0; i < engine.Chunks().Count(); ++i) {
    std::vector<std::pair<QString, int>> files;
    const auto& occ = engine.Chunks().GetAListOfOccurrences(i);
    for (int j = 0; j < occ.Count(); ++j)
      files.emplace_back(engine.ChunkFiles().GetFullFilename(occ.GetAValue(j).value1),
                         occ.GetAValue(j).value2);
    out << FoundLine(engine.Chunks().Total(i), engine.Chunks().Strings(i), files);
  }
  return out;
}

// A corpus that repeats sentences from a small stock, with short and empty
// texts, long stretches and a file that cannot be read, in UTF-16 and UTF-8,
// both with a mark, so that the decoding is never in doubt.
QStringList RandomCorpus(TempTree& tree, std::mt19937& rng, int files) {
  QStringList stock;
  for (int k = 0; k < 25; ++k) stock << RandomText(rng, 2 + rng() % 12) + QStringLiteral(". ");
  QStringList paths;
  for (int f = 0; f < files; ++f) {
    QString text;
    for (int k = rng() % 30; k > 0; --k) {
      const unsigned r = rng() % 10;
      text += r < 6 ? stock[rng() % stock.size()]
                    : (r < 9 ? RandomText(rng, 1 + rng() % 8)
                             : (rng() % 5 == 0 ? LongStretch(rng) : QString()));
    }
    paths << tree.Write(QStringLiteral("d%1/f%2.txt").arg(f % 3).arg(f, 3, 10, QLatin1Char('0')),
                        f % 2 ? Utf16LeWithBom(text) : "\xEF\xBB\xBF" + text.toUtf8());
  }
  paths.insert(paths.size() / 2, tree.Path("missing.txt"));
  return paths;
}

TEST(ChunkOracle, SearchEqualsTheReferenceWithEveryOptionAndBothOrders) {
  std::mt19937 rng(4242);
  TempTree tree;
  const QStringList files = RandomCorpus(tree, rng, 80);
  for (const Options& o : std::vector<Options>{
           {false, 200, 2, 20}, {true, 200, 2, 1}, {true, 0, 2, 5}, {false, 4, 3, 1}}) {
    SCOPED_TRACE(testing::Message() << "unterminated " << o.unterminated << " span " << o.tag_span
                                    << " hits " << o.min_hits << " length " << o.min_length);
    const QStringList expected = ReferenceSearch(files, o, false);
    ASSERT_FALSE(expected.isEmpty());
    RepeatedChunks engine;
    engine.SetSettings(o.unterminated, o.tag_span, o.min_hits, o.min_length, nullptr, nullptr,
                       nullptr);
    engine.AddTextFiles(files);
    engine.SortDescendingFreq();
    EXPECT_EQ(EngineResult(engine), expected);
    EXPECT_EQ(engine.ChunkFiles().Count(), files.size() - 1);
    engine.SortAScendingFilenumbers();
    EXPECT_EQ(EngineResult(engine), ReferenceSearch(files, o, true));
  }
}

TEST(ChunkOracle, ALongTextIsCountedInStretchesWithTheSameResult) {
  // Far more chunk text than one hand-over holds, so the text is counted while
  // it is still being read; the in-file progress ends at 100.
  TempTree tree;
  QString big;
  for (int k = 0; big.size() < (3 << 20); ++k)
    big += QStringLiteral("Sentence %1 is here. The refrain comes back. ").arg(k % 40000);
  const QStringList files{tree.Write("a.txt", Utf16LeWithBom(big)),
                          tree.WriteText("b.txt", "Sentence 5 is here.")};
  RepeatedChunks engine;
  std::vector<int> in_file;
  engine.SetSettings(
      false, 200, 2, 10, [&](int p) { return in_file.push_back(p), true; }, nullptr, nullptr);
  engine.AddTextFiles(files);
  engine.SortDescendingFreq();
  EXPECT_EQ(EngineResult(engine), ReferenceSearch(files, {false, 200, 2, 10}, false));
  ASSERT_GE(in_file.size(), 2u);
  EXPECT_TRUE(std::is_sorted(in_file.begin(), in_file.end()));
  EXPECT_EQ(in_file.back(), 100);
}

}  // namespace
