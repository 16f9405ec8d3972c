#pragma once
// A small mixed corpus for the report's tests: UTF-8 and Latin-1 texts, a
// UTF-16 one, an empty file, a damaged file, a garbled one, a near duplicate,
// a repeated notice, a name used twice and dates over three months.

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <cstdint>
#include <random>

#include "support/test_support.h"

// A text of plain English-like sentences, different for every seed.
inline QString Prose(unsigned seed, int sentences) {
  static const QStringList words =
      QStringLiteral(
          "the river town market people walked slowly through morning light and spoke "
          "about their work while children played near water old house stood beside "
          "road where farmers brought bread milk of in to was with for on that it as")
          .split(u' ');
  std::mt19937 random(seed);
  QString text;
  for (int s = 0; s < sentences; ++s) {
    const int n = 8 + static_cast<int>(random() % 8);
    for (int w = 0; w < n; ++w) {
      QString word = words[random() % words.size()];
      if (w == 0) word[0] = word[0].toUpper();
      text += word + (w + 1 == n ? QStringLiteral(". ") : QStringLiteral(" "));
    }
  }
  return text;
}

inline const QString kNotice =
    QStringLiteral("This text is reprinted with the kind permission of the publisher.");

struct MixedCorpus {
  TempTree tree;
  std::int64_t bytes = 0;
  MixedCorpus() {
    for (int i = 0; i < 8; ++i)
      Add(QStringLiteral("news/n%1.txt").arg(i),
          (Prose(100 + i, 40) + (i < 5 ? kNotice : "")).toUtf8());
    // UTF-8 without a mark and Latin-1: the same accented words in both.
    const QString accents = QStringLiteral("Caf\u00e9 na\u00efve d\u00e9j\u00e0. ");
    Add("news/accents.txt", (accents + Prose(7, 40)).toUtf8(), 3);
    Add("blog/latin.txt", (accents + Prose(8, 40)).toLatin1(), 3);
    Add("blog/wide.txt", Utf16LeWithBom(Prose(9, 40)), 3);
    Add("blog/empty.txt", QByteArray());
    // Text, then a NUL and bytes that are no text.
    QByteArray damaged = Prose(10, 5).toUtf8() + '\0';
    for (int k = 0; k < 3000; ++k) damaged.append(static_cast<char>((k * 37) % 251 + 1));
    Add("blog/damaged.txt", damaged);
    Add("blog/garbled.txt", QStringLiteral("zqx xqz qzx kjq ").repeated(60).toUtf8());
    // A near duplicate of n0 in its folder, with one word changed; and a file
    // whose name n1.txt is used in news as well.
    QString copy = Prose(100, 40) + kNotice;
    copy.replace(copy.indexOf(QStringLiteral(" the ")), 5, QStringLiteral(" town "));
    Add("news/n0 copy.txt", copy.toUtf8());
    Add("blog/N1.TXT", Prose(11, 40).toUtf8());
  }
  // Writes a file dated the middle of a month of 2020.
  void Add(const QString& rel, const QByteArray& bytes, int month = 1) {
    tree.Write(rel, bytes);
    tree.SetMTime(rel, QDateTime(QDate(2020, month, 15), QTime(12, 0), Qt::UTC).toSecsSinceEpoch());
    this->bytes += bytes.size();
  }
};
