#include "runtime/markup.h"

#include "runtime/error.h"
#include "runtime/text_reader.h"

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
    const qsizetype limit = std::min<qsizetype>(n, lt + 1 + tag_span);
    qsizetype gt = -1;
    for (qsizetype k = lt + 1; k < limit; ++k) {
      if (text[k] == close) {
        gt = k;
        break;
      }
    }
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
