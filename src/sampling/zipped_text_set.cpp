#include "sampling/zipped_text_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "runtime/error.h"
#include "runtime/file_walker.h"
#include "runtime/format.h"
#include "runtime/interrupt_cleanup.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "runtime/safe_move.h"
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
// A file that exists under the entry's own name is that file, wild cards or
// tabs in its name notwithstanding.
QStringList FilesForMask(const QString& mask) {
  if (mask.isEmpty()) return {};
  const QFileInfo fi(mask);  // for the path's parts only: the system is asked by the path's bytes
  if (IsExistingFile(mask)) return {fi.absoluteFilePath()};
  if (mask.contains(QLatin1Char('\t'))) return {};
  if (!mask.contains(QLatin1Char('*')) && !mask.contains(QLatin1Char('?'))) return {};
  const QString folder = fi.absolutePath();
  const FileMaskMatcher matcher(fi.fileName());
  QStringList names;
  for (const QString& name : FileNamesInFolder(folder))
    if (!name.startsWith(QLatin1Char('.')) && matcher.Matches(name)) names << name;
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  QStringList out;
  for (const QString& name : names) out << folder + QLatin1Char('/') + name;
  return out;
}

class Archive {
 public:
  Archive(const QString& path, const QString& shown_name) : path_(shown_name) {
    int err = 0;
    za_ = zip_open(NativeFromName(path).constData(), ZIP_CREATE | ZIP_EXCL, &err);
    if (!za_) {
      zip_error_t ze;
      zip_error_init_with_code(&ze, err);
      const QString why = QString::fromLocal8Bit(zip_error_strerror(&ze));
      zip_error_fini(&ze);
      throw SorvelError(QStringLiteral("Cannot create \"%1\": %2").arg(DisplayName(path), why));
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
    zip_source_t* src =
        zip_source_buffer(za_, b.constData(), static_cast<zip_uint64_t>(b.size()), 0);
    if (!src) Fail(name);
    Added(name, src, dos_attributes);
  }

  void AddFile(const QString& name, const QString& path, std::uint32_t dos_attributes = 0,
               bool dated = true) {
    zip_source_t* src = zip_source_file(za_, NativeFromName(path).constData(), 0, -1);
    if (!src) Fail(path);
    const zip_int64_t idx = Added(name, src, dos_attributes);
    if (!dated) return;
    const QDateTime mtime = StatPath(path).modified;
    zip_file_set_mtime(za_, static_cast<zip_uint64_t>(idx),
                       static_cast<time_t>(mtime.toSecsSinceEpoch()), 0);
  }

  void Close() {
    if (zip_close(za_) != 0) {
      const QString why = QString::fromLocal8Bit(zip_strerror(za_));
      zip_discard(za_);
      za_ = nullptr;
      throw SorvelError(QStringLiteral("Cannot write \"%1\": %2").arg(DisplayName(path_), why));
    }
    za_ = nullptr;
  }

 private:
  zip_int64_t Added(const QString& name, zip_source_t* src, std::uint32_t dos_attributes) {
    // A name that is not valid UTF-8 on disk keeps its bytes in the archive,
    // so that unpacking gives the file its own name back.
    const zip_int64_t idx =
        HasEscapedBytes(name)
            ? zip_file_add(za_, NativeFromName(name).constData(), src, ZIP_FL_ENC_GUESS)
            : zip_file_add(za_, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (idx < 0) {
      zip_source_free(src);
      Fail(name);
    }
    const auto i = static_cast<zip_uint64_t>(idx);
    // Deflate at the fastest level: texts compress well even so, and a large
    // sample is packed quickly.
    zip_set_file_compression(za_, i, ZIP_CM_DEFLATE, 1);
    if (dos_attributes != 0)
      zip_file_set_external_attributes(za_, i, 0, ZIP_OPSYS_DOS, dos_attributes);
    return idx;
  }

  [[noreturn]] void Fail(const QString& what) {
    throw SorvelError(
        QStringLiteral("Cannot add \"%1\" to \"%2\": %3")
            .arg(DisplayName(what), DisplayName(path_), QString::fromLocal8Bit(zip_strerror(za_))));
  }

  QString path_;
  zip_t* za_ = nullptr;
  std::vector<QByteArray> keep_;
};

}  // namespace

QString CleanSamplePath(const QString& entry) {
  if (IsExistingFile(entry)) return entry;
  const qsizetype tab = entry.indexOf(QLatin1Char('\t'));
  const QString path = (tab >= 0 ? entry.left(tab) : entry).trimmed();
  if (path.isEmpty() || !IsExistingFile(path)) return {};
  return path;
}

QString SampleEntryDisplay(const QString& entry) {
  const qsizetype tab = entry.indexOf(QLatin1Char('\t'));
  if (tab < 0 || IsExistingFile(entry)) return DisplayName(entry);
  return DisplayName(entry.left(tab)) + entry.mid(tab);
}

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString SampleListName(const QStringList& sample) {
  return Format(QStringLiteral("List_of_%d_Texts.txt"), {static_cast<long long>(sample.size())});
}

// The list: a heading, an empty line, and one line per entry whose file
// exists, numbered by its place in the sample. *texts gets the lines' count.
QString SampleListText(const QStringList& sample, int* texts) {
  QString list = LX("LXN") + QLatin1Char('\t') + LX("LXFilenames") + QLatin1Char('\t') +
                 LX("LXScores") + kCrLf + kCrLf;
  *texts = 0;
  for (qsizetype i = 0; i < sample.size(); ++i) {
    if (CleanSamplePath(sample.at(i)).isEmpty()) continue;
    list += QString::number(i + 1) + QLatin1Char('\t') + SampleEntryDisplay(sample.at(i)) +
            QStringLiteral("\t?") + kCrLf;
    ++*texts;
  }
  return list;
}

// The header of the i-th entry's text in the joined text. It ends with its
// own CR LF and then the line break that every line of the joined text gets,
// which leaves an empty line under it. The name is shown as in the list: a
// tab or a byte that is not UTF-8 in it is written out, so that it cannot
// split the header's fields.
QString JoinedTextHeader(qsizetype i, const QString& entry) {
  return QString::number(i + 1) + QStringLiteral("\t***") + SampleEntryDisplay(entry) +
         QStringLiteral("\t***") + kCrLf + kCrLf;
}

}  // namespace

ZippedTextSetTexts BuildZippedTextSetTexts(const QStringList& sample) {
  ZippedTextSetTexts t;
  int texts = 0;
  t.list_name = SampleListName(sample);
  t.list_text = SampleListText(sample, &texts);
  for (qsizetype i = 0; i < sample.size(); ++i) {
    const QString path = CleanSamplePath(sample.at(i));
    if (path.isEmpty()) continue;
    // The reader ends each line, the last one too, with CR LF.
    t.joined_text += JoinedTextHeader(i, sample.at(i)) + ReadTextOfFile(path);
  }
  return t;
}

namespace {

QString ErrnoText(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

// The device and inode of an existing file, to tell whether two names are
// one file.
bool FileIdentity(const QString& path, dev_t* device, ino_t* inode) {
  struct stat st;
  if (::stat(NativeFromName(path).constData(), &st) != 0) return false;
  *device = st.st_dev;
  *inode = st.st_ino;
  return true;
}

// Removes the temporary files of one writing, however it ends.
class PartialFilesGuard {
 public:
  PartialFilesGuard(const QString& folder, const QString& prefix)
      : folder_(folder), prefix_(prefix) {
    RemovePartialOutput(folder_, prefix_);  // left by a run that was killed
  }
  ~PartialFilesGuard() { RemovePartialOutput(folder_, prefix_); }
  PartialFilesGuard(const PartialFilesGuard&) = delete;
  PartialFilesGuard& operator=(const PartialFilesGuard&) = delete;

 private:
  QString folder_;
  QString prefix_;
};

// Writes the joined text to path piece by piece: the header of each text
// and its lines, read and encoded as they stream from the file.
void WriteJoinedText(const QString& path, const QStringList& sample,
                     const std::function<void(long long done, long long total)>& count) {
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    throw SorvelError(QStringLiteral("Cannot write \"%1\": %2").arg(path, out.errorString()));
  QStringEncoder to_utf8(QStringEncoder::Utf8);
  bool ok = true;
  bool started = false;
  auto put = [&](QStringView piece) {
    if (!ok || piece.isEmpty()) return;
    const QByteArray bytes = to_utf8.encode(piece);
    ok = out.write(bytes) == bytes.size();
  };
  for (qsizetype i = 0; i < sample.size(); ++i) {
    if (count) count(i, sample.size());
    const QString& entry = sample.at(i);
    const QString file = CleanSamplePath(entry);
    if (file.isEmpty()) continue;
    if (!started) {
      ok = out.write("\xEF\xBB\xBF", 3) == 3;
      started = true;
    }
    // The reader ends every line of the text, the last one too, with CR LF.
    put(JoinedTextHeader(i, entry));
    ReadNormalisedText(file, put);
    if (!ok) break;
  }
  if (count && ok) count(sample.size(), sample.size());
  ok = ok && out.flush();
  if (!ok)
    throw SorvelError(QStringLiteral("Cannot write \"%1\": %2").arg(path, out.errorString()));
  out.close();
}

}  // namespace

QString ZippedTextSetSummary(long long entries, const ZippedTextSetOutcome& outcome,
                             const QString& zip_path, bool saved) {
  const QString entry = QStringLiteral("entry");
  const QString entries_noun = QStringLiteral("entries");
  if (!saved)
    return CheckedSummary(entries, QStringLiteral("the archive was not written"), entry,
                          entries_noun);
  return CheckedSummary(
      entries,
      CountOf(outcome.files_added, QStringLiteral("text"), QStringLiteral("texts")) +
          QStringLiteral(" saved in ") + DisplayName(zip_path),
      entry, entries_noun);
}

QString ArchiveOverSampledFolderRefusal(const QString& zip_path, const QString& sampled_folder) {
  if (sampled_folder.isEmpty()) return QString();
  const QFileInfo target(zip_path);
  if (!target.exists() && !target.isSymLink()) return QString();
  const QString real_folder = CanonicalPath(sampled_folder);
  // A link is judged by where it leads, as writing through it would go there.
  const QString real_target =
      target.exists() ? target.canonicalFilePath() : target.absoluteFilePath();
  if (real_folder.isEmpty() || real_target.isEmpty()) return QString();
  if (real_target == real_folder || real_target.startsWith(real_folder + QLatin1Char('/')))
    return QStringLiteral(
               "\"%1\" is a file of the sampled folder \"%2\": the archive is never written over "
               "it")
        .arg(zip_path, sampled_folder);
  return QString();
}

QString ZippedTextSetPartialPrefix(const QString& zip_path) {
  return QLatin1Char('.') + QFileInfo(zip_path).fileName() + QStringLiteral(".sorvel-partial");
}

ZippedTextSetOutcome WriteZippedTextSet(const QStringList& sample, const QString& zip_path,
                                        const std::function<void(long long, long long)>& count,
                                        bool replace_existing) {
  const QFileInfo target(zip_path);
  const QString folder = target.absolutePath();
  if (!IsExistingFolder(folder))
    throw SorvelError(QStringLiteral("Cannot create \"%1\": no such folder").arg(zip_path));
  dev_t target_device = 0;
  ino_t target_inode = 0;
  const bool target_exists =
      FileIdentity(zip_path, &target_device, &target_inode) || target.isSymLink();
  if (target_exists && target.isDir())
    throw SorvelError(QStringLiteral("Cannot write \"%1\": it is a folder").arg(zip_path));
  if (target_exists && !replace_existing)
    throw SorvelError(QStringLiteral("\"%1\" exists already; nothing was written").arg(zip_path));

  // The list text is small; it also settles which entries have a file.
  ZippedTextSetOutcome outcome;
  const QString list_name = SampleListName(sample);
  const QString list_text = SampleListText(sample, &outcome.texts);
  QList<QStringList> files_of_entries;
  files_of_entries.reserve(sample.size());
  for (const QString& entry : sample) {
    files_of_entries << FilesForMask(entry);
    // The archive must never take the place of a text it packs.
    if (target_exists) {
      for (const QString& f : files_of_entries.last()) {
        dev_t d = 0;
        ino_t n = 0;
        if (FileIdentity(f, &d, &n) && d == target_device && n == target_inode)
          throw SorvelError(
              QStringLiteral("\"%1\" is a text of the sample: the archive is not written over it")
                  .arg(zip_path));
      }
    }
  }

  const QString prefix = ZippedTextSetPartialPrefix(zip_path);
  const PartialFilesGuard guard(folder, prefix);
  const PartialOutputScope on_interrupt(folder, prefix);
  const QString partial_zip = folder + QLatin1Char('/') + prefix;
  const QString joined_file = partial_zip + QStringLiteral("-joined");
  WriteJoinedText(joined_file, sample, count);

  Archive archive(partial_zip, zip_path);
  constexpr std::uint32_t kArchiveAttribute = 0x20;
  QSet<QString> used;
  used.insert(list_name.toLower());
  used.insert(QStringLiteral("as_one_text.txt"));
  archive.AddFromBytes(list_name, Utf8WithBom(list_text), kArchiveAttribute);
  // An empty joined text stays an empty entry (no byte-order mark alone).
  archive.AddFile(QStringLiteral("as_one_text.txt"), joined_file, kArchiveAttribute, false);
  for (const QStringList& files : files_of_entries) {
    for (const QString& file : files) {
      archive.AddFile(EntryNameFor(QFileInfo(file).fileName(), used), file);
      ++outcome.files_added;
    }
  }
  archive.Close();

  const QByteArray from = NativeFromName(partial_zip);
  const QByteArray to = NativeFromName(zip_path);
  SyncPath(partial_zip);
  const int renamed = replace_existing ? ::rename(from.constData(), to.constData())
                                       : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD,
                                                     to.constData(), RENAME_NOREPLACE);
  if (renamed != 0) {
    const int e = errno;
    throw SorvelError(
        QStringLiteral("Failed to rename %1 as %2: %3").arg(partial_zip, zip_path, ErrnoText(e)));
  }
  SyncPath(folder);
  return outcome;
}
