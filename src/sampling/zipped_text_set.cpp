#include "sampling/zipped_text_set.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <vector>
#include <zip.h>

#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/text_reader.h"

namespace {

// Entry names in ZIP archives use "/" only and must not be empty.
QString EntryNameFor(const QString& file_name, QSet<QString>& used) {
  QString name = file_name;
  if (!used.contains(name.toLower())) {
    used.insert(name.toLower());
    return name;
  }
  const QFileInfo fi(file_name);
  const QString stem = fi.completeBaseName();
  const QString suffix = fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix();
  for (int k = 2;; ++k) {
    name = QStringLiteral("%1_%2%3").arg(stem).arg(k).arg(suffix);
    if (!used.contains(name.toLower())) {
      used.insert(name.toLower());
      return name;
    }
  }
}

QByteArray Utf8WithBom(const QString& text) {
  if (text.isEmpty()) return {};
  QByteArray out("\xEF\xBB\xBF");
  out += text.toUtf8();
  return out;
}

// The files an archive entry mask names: the file itself, or for a mask with
// wild cards the matching files of its folder, in name order.
QStringList FilesForMask(const QString& mask) {
  if (mask.isEmpty() || mask.contains(QLatin1Char('\t'))) return {};
  if (!mask.contains(QLatin1Char('*')) && !mask.contains(QLatin1Char('?'))) {
    const QFileInfo fi(mask);
    if (fi.isFile()) return {fi.absoluteFilePath()};
    return {};
  }
  const QFileInfo fi(mask);
  QDir dir = fi.dir();
  if (!dir.exists()) return {};
  QStringList out;
  for (const QFileInfo& f :
       dir.entryInfoList({fi.fileName()}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
    out << f.absoluteFilePath();
  return out;
}

class Archive {
 public:
  explicit Archive(const QString& path) : path_(path) {
    int err = 0;
    za_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za_) {
      zip_error_t ze;
      zip_error_init_with_code(&ze, err);
      const QString why = QString::fromLocal8Bit(zip_error_strerror(&ze));
      zip_error_fini(&ze);
      throw SorvelError(QStringLiteral("Cannot create \"%1\": %2").arg(path, why));
    }
  }
  ~Archive() {
    if (za_) zip_discard(za_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  void AddFromBytes(const QString& name, QByteArray bytes, std::uint32_t dos_attributes) {
    // libzip reads the data when the archive is closed: keep it alive here.
    keep_.push_back(std::move(bytes));
    const QByteArray& b = keep_.back();
    zip_source_t* src = zip_source_buffer(za_, b.constData(), static_cast<zip_uint64_t>(b.size()), 0);
    if (!src) Fail(name);
    Added(name, src, dos_attributes);
  }

  void AddFile(const QString& name, const QString& path) {
    zip_source_t* src = zip_source_file(za_, QFile::encodeName(path).constData(), 0, -1);
    if (!src) Fail(path);
    const zip_int64_t idx = Added(name, src, 0);
    const QDateTime mtime = QFileInfo(path).lastModified();
    zip_file_set_mtime(za_, static_cast<zip_uint64_t>(idx), static_cast<time_t>(mtime.toSecsSinceEpoch()), 0);
  }

  void Close() {
    if (zip_close(za_) != 0) {
      const QString why = QString::fromLocal8Bit(zip_strerror(za_));
      zip_discard(za_);
      za_ = nullptr;
      throw SorvelError(QStringLiteral("Cannot write \"%1\": %2").arg(path_, why));
    }
    za_ = nullptr;
  }

 private:
  zip_int64_t Added(const QString& name, zip_source_t* src, std::uint32_t dos_attributes) {
    const zip_int64_t idx = zip_file_add(za_, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (idx < 0) {
      zip_source_free(src);
      Fail(name);
    }
    const auto i = static_cast<zip_uint64_t>(idx);
    // Deflate at the fastest level: texts compress well even so, and a large
    // sample is packed quickly.
    zip_set_file_compression(za_, i, ZIP_CM_DEFLATE, 1);
    if (dos_attributes != 0) zip_file_set_external_attributes(za_, i, 0, ZIP_OPSYS_DOS, dos_attributes);
    return idx;
  }

  [[noreturn]] void Fail(const QString& what) {
    throw SorvelError(QStringLiteral("Cannot add \"%1\" to \"%2\": %3")
                          .arg(what, path_, QString::fromLocal8Bit(zip_strerror(za_))));
  }

  QString path_;
  zip_t* za_ = nullptr;
  std::vector<QByteArray> keep_;
};

}  // namespace

QString CleanSamplePath(const QString& entry) {
  const qsizetype tab = entry.indexOf(QLatin1Char('\t'));
  const QString path = (tab >= 0 ? entry.left(tab) : entry).trimmed();
  if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
  return path;
}

ZippedTextSetTexts BuildZippedTextSetTexts(const QStringList& sample, const std::function<void()>& yield) {
  static const QString kCrLf = QStringLiteral("\r\n");
  ZippedTextSetTexts t;
  t.list_name = Format(QStringLiteral("List_of_%d_Texts.txt"), {static_cast<long long>(sample.size())});
  t.list_text = LX("LXN") + QLatin1Char('\t') + LX("LXFilenames") + QLatin1Char('\t') + LX("LXScores") + kCrLf +
                kCrLf;
  for (qsizetype i = 0; i < sample.size(); ++i) {
    if (yield) yield();
    const QString& entry = sample.at(i);
    const QString path = CleanSamplePath(entry);
    if (path.isEmpty()) continue;
    const QString number = QString::number(i + 1);
    // The reader already ends each line, the last one too, with CR LF.
    const QString text = ReadTextOfFile(path);
    // The header ends with its own CR LF and then the line break that every
    // line of the joined text gets, which leaves an empty line under it.
    t.joined_text += number + QStringLiteral("\t***") + entry + QStringLiteral("\t***") + kCrLf + kCrLf;
    t.joined_text += text;
    t.list_text += number + QLatin1Char('\t') + entry + QStringLiteral("\t?") + kCrLf;
  }
  return t;
}

void WriteZippedTextSet(const QStringList& sample, const QString& zip_path, const std::function<void()>& yield) {
  // Read the texts first, so that an unreadable text stops the action before
  // an older archive of that name is touched.
  const ZippedTextSetTexts texts = BuildZippedTextSetTexts(sample, yield);
  // An archive of that name is replaced, but only once the new one is
  // complete: the archive is written beside it and renamed over it on close.

  Archive archive(zip_path);
  constexpr std::uint32_t kArchiveAttribute = 0x20;
  QSet<QString> used;
  used.insert(texts.list_name.toLower());
  used.insert(QStringLiteral("as_one_text.txt"));
  archive.AddFromBytes(texts.list_name, Utf8WithBom(texts.list_text), kArchiveAttribute);
  archive.AddFromBytes(QStringLiteral("as_one_text.txt"), Utf8WithBom(texts.joined_text), kArchiveAttribute);
  for (const QString& entry : sample) {
    if (yield) yield();
    for (const QString& file : FilesForMask(entry)) archive.AddFile(EntryNameFor(QFileInfo(file).fileName(), used), file);
  }
  archive.Close();
}
