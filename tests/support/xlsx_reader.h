#pragma once
// Reads the cells of the first sheet of an .xlsx file, for checking what the
// spreadsheet export wrote: cell reference ("A1") to text; blank cells map to
// an empty text.

#include <zip.h>

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

inline QByteArray ZipEntry(const QString& zip_path, const char* entry) {
  int err = 0;
  zip_t* z = zip_open(zip_path.toLocal8Bit().constData(), ZIP_RDONLY, &err);
  if (!z) return {};
  QByteArray out;
  zip_stat_t st;
  if (zip_stat(z, entry, 0, &st) == 0) {
    if (zip_file_t* f = zip_fopen(z, entry, 0)) {
      out.resize(static_cast<qsizetype>(st.size));
      const zip_int64_t got = zip_fread(f, out.data(), st.size);
      if (got < 0) out.clear();
      zip_fclose(f);
    }
  }
  zip_close(z);
  return out;
}

inline QMap<QString, QString> XlsxCells(const QString& path) {
  QStringList shared;
  {
    QXmlStreamReader x(ZipEntry(path, "xl/sharedStrings.xml"));
    QString current;
    bool in_si = false;
    while (!x.atEnd()) {
      x.readNext();
      if (x.isStartElement() && x.name() == QLatin1String("si")) {
        in_si = true;
        current.clear();
      } else if (x.isStartElement() && x.name() == QLatin1String("t") && in_si) {
        current += x.readElementText();
      } else if (x.isEndElement() && x.name() == QLatin1String("si")) {
        shared << current;
        in_si = false;
      }
    }
  }
  QMap<QString, QString> cells;
  QXmlStreamReader x(ZipEntry(path, "xl/worksheets/sheet1.xml"));
  QString ref, type;
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement() && x.name() == QLatin1String("c")) {
      ref = x.attributes().value(QLatin1String("r")).toString();
      type = x.attributes().value(QLatin1String("t")).toString();
      cells.insert(ref, QString());
    } else if (x.isStartElement() && x.name() == QLatin1String("v")) {
      const QString v = x.readElementText();
      cells.insert(ref, type == QLatin1String("s") ? shared.value(v.toInt()) : v);
    } else if (x.isStartElement() && x.name() == QLatin1String("t") &&
               type == QLatin1String("inlineStr")) {
      cells.insert(ref, x.readElementText());
    }
  }
  return cells;
}
