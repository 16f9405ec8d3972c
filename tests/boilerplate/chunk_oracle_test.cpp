// The fast chunk finder (streamed cutting, hashed counting, files read on
// several threads) against a plain reference: the whole text in memory, cut
// by the written rules one after the other, counted in an ordered map.

#include <gtest/gtest.h>

#include <QChar>
#include <QStringList>
#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "boilerplate/repeated_chunks.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

// ---- The reference cutter -------------------------------------------------

bool RefSpace(QChar c) {
  const char16_t u = c.unicode();
  return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\f' || u == u'\v' ||
         u == 0x85 || u == 0xA0 || u == 0x1680 || u == 0x2028 || u == 0x2029 || u == 0x202F ||
         u == 0x205F || u == 0x3000 || (u >= 0x2000 && u <= 0x200A);
}
bool RefLineBreak(QChar c) {
  const char16_t u = c.unicode();
  return u == u'\n' || u == u'\r' || u == 0x85 || u == 0x2028 || u == 0x2029;
}
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

bool RefAbbreviation(const QString& word) {
  static const QStringList kWords = {
      "mr",   "mrs",  "ms",  "dr",  "prof", "st",     "sr",  "jr",   "vs",   "cf",   "fig", "figs",
      "no",   "nos",  "nr",  "vol", "pp",   "approx", "ca",  "dept", "gen",  "col",  "lt",  "sgt",
      "capt", "rev",  "hon", "mt",  "ft",   "jan",    "feb", "mar",  "apr",  "jun",  "jul", "aug",
      "sep",  "sept", "oct", "nov", "dec",  "bzw",    "ggf", "vgl",  "evtl", "inkl", "mme", "mlle",
      "sra",  "srta", "ed",  "eds", "ch",   "art",    "abs", "op",   "cit",  "ibid", "resp"};
  if (word.size() == 1) return true;
  QString lower;
  for (QChar c : word) lower += (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
  return kWords.contains(lower);
}

bool RefInlineTag(const QString& inside) {
  static const QStringList kInline = {"a",    "abbr", "acronym", "b",    "bdi",    "bdo",    "big",
                                      "cite", "code", "data",    "del",  "dfn",    "em",     "font",
                                      "i",    "img",  "ins",     "kbd",  "label",  "mark",   "nobr",
                                      "q",    "samp", "small",   "span", "strike", "strong", "sub",
                                      "sup",  "time", "tt",      "u",    "var",    "wbr"};
  QString t = inside.startsWith(u'/') ? inside.mid(1) : inside;
  if (t.startsWith(u'!') || t.startsWith(u'?')) return true;
  qsizetype n = 0;
  while (n < t.size() && n < 12 && t[n].unicode() < 0x80 && t[n].isLetterOrNumber()) ++n;
  return n > 0 && kInline.contains(t.left(n).toLower());
}

struct Cut {
  QString text;
  bool terminated;
  bool operator==(const Cut& o) const { return text == o.text && terminated == o.terminated; }
};

void PrintTo(const Cut& c, std::ostream* os) {
  *os << (c.terminated ? "T:" : "U:") << c.text.toStdString();
}

QString Normalised(const QString& raw) {
  QString out;
  bool space = false;
  for (QChar c : raw) {
    if (RefSpace(c)) {
      space = true;
      continue;
    }
    if (space && !out.isEmpty()) out += u' ';
    space = false;
    out += c;
  }
  return out;
}

// One sentence (or the rest of a paragraph), split where it is too long.
void AddSentence(const QString& raw, bool terminated, std::vector<Cut>* out) {
  QString s = Normalised(raw);
  while (s.size() >= kMaxChunkLength) {
    const qsizetype space = s.left(kMaxChunkLength).lastIndexOf(u' ');
    if (space > 0) {
      out->push_back(Cut{s.left(space), false});
      s = s.mid(space + 1);
    } else {
      out->push_back(Cut{s.left(kMaxChunkLength), false});
      s = s.mid(kMaxChunkLength);
      if (s.startsWith(u' ')) s = s.mid(1);
    }
  }
  if (!s.isEmpty()) out->push_back(Cut{s, terminated});
}

void CutParagraph(const QString& p, std::vector<Cut>* out) {
  qsizetype from = 0;
  qsizetype i = 0;
  const qsizetype n = p.size();
  while (i < n) {
    if (RefImmediateStop(p[i])) {
      qsizetype j = i + 1;
      while (j < n && (RefImmediateStop(p[j]) || RefCloser(p[j]))) ++j;
      AddSentence(p.mid(from, j - from), true, out);
      from = i = j;
      continue;
    }
    if (!RefSpacedStop(p[i])) {
      ++i;
      continue;
    }
    qsizetype j = i + 1;
    while (j < n && RefSpacedStop(p[j])) ++j;
    const bool lone_dot = p[i] == u'.' && j == i + 1;
    while (j < n && RefCloser(p[j])) ++j;
    qsizetype w = i;
    while (w > from && p[w - 1].isLetter()) --w;
    const bool ends_here = !(lone_dot && i > w && RefAbbreviation(p.mid(w, i - w)));
    bool end = false;
    if (ends_here && j == n) {
      end = true;
    } else if (ends_here && RefSpace(p[j])) {
      qsizetype k = j;
      bool line_break = false;
      while (k < n && RefSpace(p[k])) line_break |= RefLineBreak(p[k++]);
      end = line_break || k == n || !p[k].isLower();
    }
    if (end) {
      AddSentence(p.mid(from, j - from), true, out);
      from = j;
    }
    i = j;
  }
  AddSentence(p.mid(from), false, out);
}

std::vector<Cut> ReferenceCut(const QString& text, int tag_span) {
  // Markup: inline tags are dropped, block tags split the text into segments.
  QStringList segments{QString()};
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'<' && tag_span > 0 && i + 1 < text.size()) {
      const QChar next = text[i + 1];
      const bool opens = next == u'/' || next == u'!' || next == u'?' || next.isLetter();
      const qsizetype gt = text.indexOf(u'>', i + 1);
      if (opens && gt >= 0 && gt <= i + tag_span) {
        if (!RefInlineTag(text.mid(i + 1, gt - i - 1))) segments << QString();
        i = gt;
        continue;
      }
    }
    segments.last() += c;
  }
  // Paragraphs end at white space that holds two line feeds.
  std::vector<Cut> out;
  for (const QString& seg : segments) {
    QString para;
    qsizetype i = 0;
    while (i < seg.size()) {
      if (!RefSpace(seg[i])) {
        para += seg[i++];
        continue;
      }
      qsizetype k = i;
      int feeds = 0;
      while (k < seg.size() && RefSpace(seg[k])) feeds += seg[k++] == u'\n';
      if (feeds >= 2) {
        // The white space up to the second line feed still belongs to the
        // paragraph: it may hold the line break that ends its last sentence.
        CutParagraph(para + QStringLiteral("\n"), &out);
        para.clear();
      } else {
        para += seg.mid(i, k - i);
      }
      i = k;
    }
    CutParagraph(para, &out);
  }
  return out;
}

// ---- Random texts ---------------------------------------------------------

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
  std::uniform_int_distribution<int> pick(0, static_cast<int>(kTokens.size()) - 1);
  for (int k = 0; k < tokens; ++k) t += kTokens[pick(rng)];
  return t;
}

// A long stretch without any sentence end: with spaces, or without any.
QString LongStretch(std::mt19937& rng) {
  QString t;
  const bool spaced = rng() % 2;
  const int words = 300 + static_cast<int>(rng() % 700);
  for (int k = 0; k < words; ++k)
    t += spaced ? QStringLiteral("word%1 ").arg(rng() % 50) : QStringLiteral("xyz");
  return t;
}

std::vector<Cut> StreamCut(const QString& text, int tag_span, std::mt19937& rng) {
  ChunkCutter cutter(ChunkRules{tag_span}, true, 1);
  const auto* s = reinterpret_cast<const char16_t*>(text.utf16());
  qsizetype at = 0;
  while (at < text.size()) {
    const qsizetype piece =
        std::min<qsizetype>(text.size() - at, 1 + static_cast<qsizetype>(rng() % 40));
    cutter.Feed(s + at, piece);
    at += piece;
  }
  cutter.Finish();
  CutChunkBatch batch;
  cutter.TakeChunks(&batch);
  std::vector<Cut> out;
  for (const CutChunk& c : batch.chunks)
    out.push_back(Cut{batch.TextOf(c).toString(), c.terminated});
  return out;
}

TEST(ChunkOracle, StreamedCuttingEqualsTheReferenceOnRandomTexts) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 3000; ++round) {
    QString text = RandomText(rng, 1 + static_cast<int>(rng() % 60));
    if (round % 50 == 0) text = RandomText(rng, 5) + LongStretch(rng) + RandomText(rng, 10);
    for (int tag_span : {0, 4, 200}) {
      const auto expected = ReferenceCut(text, tag_span);
      ASSERT_EQ(StreamCut(text, tag_span, rng), expected)
          << "text: " << text.toStdString() << " span " << tag_span;
      std::vector<Cut> whole;
      CutTextIntoChunks(text, ChunkRules{tag_span}, [&](QStringView c, bool t) {
        whole.push_back(Cut{c.toString(), t});
      });
      ASSERT_EQ(whole, expected);
    }
  }
}

// ---- The reference count --------------------------------------------------

struct Found {
  QString text;
  std::vector<std::pair<QString, int>> files;  // path, hits
  std::int64_t total = 0;
  bool operator==(const Found& o) const {
    return text == o.text && files == o.files && total == o.total;
  }
};

void PrintTo(const Found& f, std::ostream* os) {
  *os << f.total << " " << f.text.toStdString() << " [";
  for (const auto& [path, hits] : f.files)
    *os << path.section(u'/', -1).toStdString() << ":" << hits << " ";
  *os << "]";
}

struct Options {
  bool unterminated;
  int tag_span;
  int min_hits;
  int min_length;
};

void Configure(RepeatedChunks& engine, const Options& o) {
  engine.SetSettings(o.unterminated, o.tag_span, o.min_hits, o.min_length, nullptr, nullptr,
                     nullptr);
}

std::vector<Found> ReferenceSearch(const QStringList& files, const Options& o) {
  std::map<QString, Found> by_text;
  std::map<QString, int> first_file;
  int number = 0;
  for (const QString& f : files) {
    QString text;
    try {
      text = ReadTextOfFile(f);
    } catch (...) {
      continue;  // unreadable: not taken, no number
    }
    for (const Cut& c : ReferenceCut(text, o.tag_span)) {
      if ((!c.terminated && !o.unterminated) || c.text.size() < o.min_length) continue;
      Found& e = by_text[c.text];
      e.text = c.text;
      if (e.files.empty()) first_file[c.text] = number;
      if (e.files.empty() || e.files.back().first != f) e.files.emplace_back(f, 0);
      ++e.files.back().second;
      ++e.total;
    }
    ++number;
  }
  std::vector<Found> out;
  for (auto& [text, e] : by_text)
    if (e.total >= std::max(2, o.min_hits)) out.push_back(e);
  std::sort(out.begin(), out.end(), [&](const Found& a, const Found& b) {
    if (a.total != b.total) return a.total > b.total;
    if (first_file[a.text] != first_file[b.text]) return first_file[a.text] < first_file[b.text];
    return a.text < b.text;
  });
  return out;
}

std::vector<Found> EngineResult(const RepeatedChunks& engine) {
  std::vector<Found> out;
  for (int i = 0; i < engine.Chunks().Count(); ++i) {
    Found f{engine.Chunks().Strings(i), {}, engine.Chunks().Total(i)};
    const auto& occ = engine.Chunks().GetAListOfOccurrences(i);
    for (int j = 0; j < occ.Count(); ++j)
      f.files.emplace_back(engine.ChunkFiles().GetFullFilename(occ.GetAValue(j).value1),
                           occ.GetAValue(j).value2);
    out.push_back(f);
  }
  return out;
}

// A corpus that repeats sentences from a small stock, with equal texts,
// short texts, an empty one, long stretches and a file that cannot be read.
QStringList RandomCorpus(TempTree& tree, std::mt19937& rng, int files) {
  QStringList stock;
  for (int k = 0; k < 25; ++k)
    stock << RandomText(rng, 2 + static_cast<int>(rng() % 12)) + QStringLiteral(". ");
  stock << QStringLiteral("A notice that every text may carry.\r\n") << QStringLiteral("今天下雨。")
        << QStringLiteral("<p>Home</p>") << QStringLiteral("Navigation line\r\n\r\n");
  QStringList paths;
  for (int f = 0; f < files; ++f) {
    const QString rel = QStringLiteral("d%1/f%2.txt").arg(f % 3).arg(f, 3, 10, QLatin1Char('0'));
    QString text;
    const int kind = static_cast<int>(rng() % 10);
    if (kind == 0 && f > 0) {
      text = ReadTextOfFile(
          paths[static_cast<qsizetype>(rng() % static_cast<unsigned>(f))]);  // an equal text
    } else if (kind == 1) {
      text = stock[static_cast<qsizetype>(rng() %
                                          static_cast<unsigned>(stock.size()))];  // a short one
    } else if (kind == 2 && f % 7 == 0) {
      text.clear();
    } else {
      const int parts = 1 + static_cast<int>(rng() % 30);
      for (int k = 0; k < parts; ++k) {
        const unsigned r = rng() % 10;
        if (r < 6)
          text += stock[static_cast<qsizetype>(rng() % static_cast<unsigned>(stock.size()))];
        else if (r < 9)
          text += RandomText(rng, 1 + static_cast<int>(rng() % 8));
        else if (rng() % 5 == 0)
          text += LongStretch(rng);
      }
    }
    // UTF-16 and UTF-8, both with a mark, so that the decoding is never in doubt.
    const QByteArray bytes =
        f % 2 ? Utf16LeWithBom(text) : QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    paths << tree.Write(rel, bytes);
  }
  paths.insert(paths.size() / 2, tree.Path("missing.txt"));
  return paths;
}

TEST(ChunkOracle, SearchEqualsTheReferenceWithEveryOption) {
  std::mt19937 rng(4242);
  TempTree tree;
  const QStringList files = RandomCorpus(tree, rng, 120);
  const std::vector<Options> settings = {{false, 200, 2, 20},
                                         {true, 200, 2, 1},
                                         {true, 0, 2, 5},
                                         {false, 4, 3, 1},
                                         {true, 200, 5, 30}};
  for (const Options& o : settings) {
    const auto expected = ReferenceSearch(files, o);
    ASSERT_FALSE(expected.empty());
    RepeatedChunks engine;
    Configure(engine, o);
    engine.AddTextFiles(files);
    engine.SortDescendingFreq();
    EXPECT_EQ(EngineResult(engine), expected)
        << "unterminated " << o.unterminated << " span " << o.tag_span << " hits " << o.min_hits
        << " length " << o.min_length;
    EXPECT_EQ(engine.ChunkFiles().Count(), files.size() - 1);

    // One file at a time gives the same.
    RepeatedChunks single;
    Configure(single, o);
    for (const QString& f : files) {
      const int n = single.LoadATextFile(f);
      if (n >= 0) single.AddToRepeatedSentencesInTxt(n, static_cast<int>(files.size()));
    }
    single.SortDescendingFreq();
    EXPECT_EQ(EngineResult(single), expected);
  }
}

TEST(ChunkOracle, ALongTextIsCountedInStretchesWithTheSameResult) {
  // Far more chunk text than one hand-over holds, so the text is counted while
  // it is still being read; the in-file progress ends at 100.
  TempTree tree;
  QString big;
  for (int k = 0; big.size() < (3 << 20); ++k)
    big += QStringLiteral("Sentence %1 of the long text is here. The refrain comes back. ")
               .arg(k % 40000);
  const QString a = tree.Write("a.txt", Utf16LeWithBom(big));
  const QString b = tree.WriteText("b.txt", "Sentence 5 of the long text is here.");
  const Options o{false, 200, 2, 10};
  RepeatedChunks engine;
  std::vector<int> in_file;
  engine.SetSettings(
      o.unterminated, o.tag_span, o.min_hits, o.min_length,
      [&](int p) {
        in_file.push_back(p);
        return true;
      },
      nullptr, nullptr);
  engine.AddTextFiles({a, b});
  engine.SortDescendingFreq();
  EXPECT_EQ(EngineResult(engine), ReferenceSearch({a, b}, o));
  ASSERT_GE(in_file.size(), 2u);
  EXPECT_TRUE(std::is_sorted(in_file.begin(), in_file.end()));
  EXPECT_EQ(in_file.back(), 100);
}

}  // namespace
