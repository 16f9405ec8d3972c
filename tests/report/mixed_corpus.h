#pragma once
// A small mixed corpus for the report's tests: UTF-8 and Latin-1 texts, a
// UTF-16 one, an empty file, a damaged file, a garbled one, a near duplicate,
// a repeated notice, a name used twice and dates over three months.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <random>

#include "support/test_support.h"

inline const char* const kWords[] = {
    "the",      "river",  "town",    "market",  "people", "walked", "slowly", "through",
    "morning",  "light",  "and",     "spoke",   "about",  "their",  "work",   "while",
    "children", "played", "near",    "water",   "old",    "house",  "stood",  "beside",
    "road",     "where",  "farmers", "brought", "bread",  "milk",   "of",     "in",
    "to",       "was",    "with",    "for",     "on",     "that",   "it",     "as",
};

// A text of plain English-like sentences, different for every seed.
inline QString Prose(unsigned seed, int sentences) {
  std::mt19937 random(seed);
  QString text;
  const unsigned n = sizeof kWords / sizeof kWords[0];
  for (int s = 0; s < sentences; ++s) {
    const int words = 8 + static_cast<int>(random() % 8);
    for (int w = 0; w < words; ++w) {
      QString word = QString::fromLatin1(kWords[random() % n]);
      if (w == 0) word[0] = word[0].toUpper();
      text += word + (w + 1 == words ? QStringLiteral(". ") : QStringLiteral(" "));
    }
  }
  return text;
}

inline std::int64_t MidMonth(int year, int month) {
  return QDateTime(QDate(year, month, 15), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
}

inline const QString kNotice =
    QStringLiteral("This text is reprinted with the kind permission of the publisher.");

// A mixed corpus: UTF-8 and Latin-1 texts, a UTF-16 one, an empty file, a
// damaged file, a garbled one, a near duplicate, a repeated notice, a name
// used twice and dates over three months.
struct MixedCorpus {
  TempTree tree;
  std::int64_t bytes = 0;
  MixedCorpus() {
    for (int i = 0; i < 8; ++i) {
      QString text = Prose(100 + i, 40);
      if (i < 5) text += kNotice;
      Add(QStringLiteral("news/n%1.txt").arg(i), text.toUtf8(), MidMonth(2020, 1));
    }
    // UTF-8 without a mark and Latin-1: the same accented words in both.
    Add(QStringLiteral("news/accents.txt"),
        (QStringLiteral("Caf\u00e9 na\u00efve d\u00e9j\u00e0. ") + Prose(7, 40)).toUtf8(),
        MidMonth(2020, 3));
    Add(QStringLiteral("blog/latin.txt"),
        (QStringLiteral("Caf\u00e9 na\u00efve d\u00e9j\u00e0. ") + Prose(8, 40)).toLatin1(),
        MidMonth(2020, 3));
    Add(QStringLiteral("blog/wide.txt"), Utf16LeWithBom(Prose(9, 40)), MidMonth(2020, 3));
    Add(QStringLiteral("blog/empty.txt"), QByteArray(), MidMonth(2020, 1));
    // Text, then a NUL and bytes that are no text.
    QByteArray damaged = Prose(10, 5).toUtf8();
    damaged.append('\0');
    for (int k = 0; k < 3000; ++k) damaged.append(static_cast<char>((k * 37) % 251 + 1));
    Add(QStringLiteral("blog/damaged.txt"), damaged, MidMonth(2020, 1));
    Add(QStringLiteral("blog/garbled.txt"),
        QStringLiteral("zqx xqz qzx kjq ").repeated(60).toUtf8(), MidMonth(2020, 1));
    // A near duplicate of n0 in its folder, with one word changed; and a file
    // whose name n1.txt is used in news as well.
    QString copy = Prose(100, 40) + kNotice;
    copy.replace(copy.indexOf(QStringLiteral(" the ")), 5, QStringLiteral(" town "));
    Add(QStringLiteral("news/n0 copy.txt"), copy.toUtf8(), MidMonth(2020, 1));
    Add(QStringLiteral("blog/N1.TXT"), Prose(11, 40).toUtf8(), MidMonth(2020, 1));
  }
  void Add(const QString& rel, const QByteArray& bytes, std::int64_t when) {
    tree.Write(rel, bytes);
    tree.SetMTime(rel, when);
    this->bytes += bytes.size();
  }
  QString Path(const QString& rel) const { return tree.Path(rel); }
};
