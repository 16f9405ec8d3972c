#include "runtime/markup.h"

#include "runtime/error.h"
#include "runtime/text_reader.h"

qsizetype MarkupTagClose(QStringView text, qsizetype open_at, QChar close, int tag_span) {
  const qsizetype limit = std::min<qsizetype>(text.size(), open_at + 1 + tag_span);
  for (qsizetype k = open_at + 1; k < limit; ++k) {
    if (text[k] == close) return k;
  }
  return -1;
}

QString WithoutMarkup(QStringView text, QChar open, QChar close, int tag_span) {
  if (tag_span <= 0 || !text.contains(open)) return text.toString();
  QString out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    const qsizetype lt = text.indexOf(open, i);
    if (lt < 0) {
      out.append(text.mid(i));
      break;
    }
    out.append(text.mid(i, lt - i));
    const qsizetype gt = MarkupTagClose(text, lt, close, tag_span);
    if (gt < 0) {
      out.append(open);
      i = lt + 1;
    } else {
      i = gt + 1;
    }
  }
  return out;
}

QString GetTextFromFile(const QString& path) {
  try {
    return ReadTextOfFile(path);
  } catch (const SorvelError&) {
    return QString();
  }
}

QString MarkupFreeTextFromAFile(const QString& path, int tag_span) {
  return WithoutMarkup(GetTextFromFile(path), QLatin1Char('<'), QLatin1Char('>'), tag_span);
}
