// Pictures of every page of the main window, each after a run with results,
// at the window's default size: a small corpus is made, each page's tool run
// on it as a user would (by the controls' names) and the window grabbed once
// the results show, with every column heading whole.
//
// The pictures go to page_screenshots/ beside the test always, and into
// docs/pages/ of the source tree only when SORVEL_UPDATE_SCREENSHOTS names
// that tree (tools/update-screenshots.sh runs the test so), so that a plain
// test run never changes the sources.

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QLockFile>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/sorvel_window.h"
#include "runtime/dialogs.h"

namespace {

const char* const kSentences[] = {
    "The village lay at the end of a long valley, where the river turned west and the road "
    "followed it.",
    "Every morning the baker opened his shop before the sun had risen over the hills.",
    "Children walked to school along the narrow path that ran beside the old stone wall.",
    "In the evening the farmers gathered in the square to talk about the weather and the harvest.",
    "The teacher wrote the names of the rivers on the board and asked the class to learn them.",
    "When the winter came, the snow covered the fields and the roads were closed for weeks.",
    "The doctor visited the houses on the hill whenever someone was ill, even late at night.",
    "A new bridge was built across the river, and the people of both towns came to see it.",
    "The library held several thousand books, most of them given by the families of the town.",
    "There was a small market every Thursday, where people sold vegetables, cheese and wool.",
    "The station master knew every train by its sound long before it came around the bend.",
    "Her brother had gone to the city to study law, and he wrote home every second week.",
    "They planted apple trees along the southern edge of the garden, where the light was best.",
    "The church bells rang at noon, and the workers in the fields stopped to eat their lunch.",
    "Nobody could remember when the mill had last turned, but the wheel was still there.",
    "At the end of the summer the town held a festival with music, dancing and long tables.",
};
constexpr int kSentenceCount = static_cast<int>(sizeof(kSentences) / sizeof(kSentences[0]));
// Repeated in every text of the corpus, as archives do: what the
// boilerplate search is for.
const char* const kArchiveNote =
    "This text was transcribed by the valley archive and may be shared freely.";

// count sentences from the pool (each once when count is at most the pool's
// size), starting at offset, in paragraphs of four.
// A place name set in front of each sentence makes the text's sentences its
// own, so that only what texts really share repeats across them.
QByteArray Prose(int count, int offset, const QByteArray& place = {}) {
  QByteArray text;
  for (int i = 0; i < count; ++i) {
    QByteArray sentence(kSentences[(offset + i * 7) % kSentenceCount]);
    if (!place.isEmpty()) {
      sentence[0] = static_cast<char>(QChar::toLower(static_cast<char16_t>(sentence[0])));
      sentence = "In " + place + ", " + sentence;
    }
    text += sentence;
    text += (i + 1) % 4 == 0 ? "\r\n\r\n" : " ";
  }
  return text;
}

QByteArray ArchivedText(int count, int offset, const QByteArray& place) {
  return QByteArray(kArchiveNote) + "\r\n\r\n" + Prose(count, offset, place) + "\r\n" +
         kArchiveNote + "\r\n";
}

// The control of that name under root, or the test ends.
template <typename T>
T* Named(QWidget* root, const char* name) {
  T* w = root->findChild<T*>(QString::fromLatin1(name));
  if (!w) qFatal("no %s named %s", T::staticMetaObject.className(), name);
  return w;
}

// Types into a named field: the control itself when it is a line edit, else
// the line edit inside it (file and folder fields with a browse button).
void Type(QWidget* root, const char* name, const QString& text) {
  QWidget* field = Named<QWidget>(root, name);
  auto* edit = qobject_cast<QLineEdit*>(field);
  if (!edit) edit = field->findChild<QLineEdit*>();
  if (!edit) qFatal("%s has no text field", name);
  edit->setText(text);
}

// Sets a named check box, when the page has it.
void Tick(QWidget* root, const char* name, bool on) {
  if (auto* box = root->findChild<QCheckBox*>(QString::fromLatin1(name))) box->setChecked(on);
}

// Brings w to the front of every tab page that holds it.
void Reveal(QWidget* w) {
  for (QWidget* p = w; p; p = p->parentWidget()) {
    auto* stack = qobject_cast<QStackedWidget*>(p->parentWidget());
    if (!stack) continue;
    if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget())) tabs->setCurrentWidget(p);
  }
}

// Answers the relevance check's question where its texts are (a modal
// chooser) with the folder, once it shows.
void AnswerChooserWhenShown(const QString& folder) {
  QTimer::singleShot(20, qApp, [folder] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return AnswerChooserWhenShown(folder);
    Type(dialog, "ElFolderNameEditFolder", folder);
    Tick(dialog, "AdvOfficeCheckBoxIncludeSubFolders", true);
    Named<QAbstractButton>(dialog, "AdvGlowButtonOK")->click();
  });
}

}  // namespace

class PageScreenshotsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    // The corpus lives under a short, fixed name, since the pictures show
    // its paths; the lock keeps two runs of the test from sharing it.
    root_ = QDir::tempPath() + QStringLiteral("/sorvel-demo");
    lock_ = std::make_unique<QLockFile>(root_ + QStringLiteral(".lock"));
    QVERIFY(lock_->tryLock(300000));
    QDir(root_).removeRecursively();
    QVERIFY(QDir().mkpath(root_));
    qputenv("SORVEL_SETTINGS", (root_ + QStringLiteral("/settings.ini")).toLocal8Bit());
    // Questions before a run ("OK to search ...?") are answered OK; offers
    // to open what a run saved are declined.
    dialogs_.default_answer = mrOK;
    SetDialogInterface(&dialogs_);
    MakeCorpus();
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    out_ = QCoreApplication::applicationDirPath() + QStringLiteral("/page_screenshots");
    QVERIFY(QDir().mkpath(out_));
  }
  void cleanupTestCase() {
    window_.reset();
    SetDialogInterface(nullptr);
    QDir(root_).removeRecursively();
  }

  void everyPageWithItsResults() {
    QWidget* page = Show(window_->corruption_tab);
    Type(page, "ElFileNameEditCorruptGoodFiles", Corpus("good/reference.txt"));
    Type(page, "ElFolderNameEditCorrupt", Corpus("texts"));
    Tick(page, "AdvOfficeCheckBoxCorruptIncludeSubfolders", true);
    Tick(page, "AdvOfficeCheckBoxCorruptThorough", true);
    RunAndSave(page, "ButtonCorruptStart", "ListBoxCorrupt", "corruption");

    page = Show(window_->dup_names_tab);
    Type(page, "ElFolderNameEditDuplicates1", Corpus("texts"));
    Tick(page, "CheckBoxFolder1Subdirs", true);
    RunAndSave(page, "AdvGlowButtonDuplicateNamesFind", "TreeViewDupNames", "duplicate-names");

    page = Show(window_->dup_contents_tab);
    Type(page, "MyOpenFolderDialogDuplicateContents", Corpus("texts"));
    Tick(page, "AdvOfficeCheckBoxDupContentsUseDates", false);
    Tick(page, "AdvOfficeCheckBoxDupContentsSameFolder", false);
    RunAndSave(page, "AdvGlowButtonDuplicateContentsSearch", "AdvListViewDupContents",
               "duplicate-contents");

    page = Show(window_->boilerplate_tab);
    Type(page, "ElFolderNameEditBoilerHeadFolder", Corpus("texts"));
    Tick(page, "AdvOfficeCheckBoxSubFoldersTooBoiler", true);
    RunAndSave(page, "AdvGlowButtonBoilerSearch", "AdvTreeViewBoiler", "boilerplate");

    page = Show(window_->relevance_tab);
    Type(page, "ElFileNameEditFilterStrings", Corpus("filters.txt"));
    Named<QSpinBox>(page, "AdvSpinEditRelevanceMinWords")->setValue(50);
    AnswerChooserWhenShown(Corpus("texts"));
    RunAndSave(page, "AdvGlowButtonRelevanceCheck", "LXSimpleVirtualGridRelevance", "relevance");

    page = Show(window_->sample_tab);
    Type(page, "MyOpenFolderDialogSampleSource", Corpus("texts"));
    Named<QSpinBox>(page, "AdvSpinEditSample")->setValue(6);
    RunAndSave(page, "AdvGlowButtonRandomSampleFromFolder", "LXSimpleVirtualGridSample",
               "corpus-sampler");

    page = Show(window_->sub_corpora_tab);
    Type(page, "MyOpenFolderDialogSubCorporaSource", Corpus("texts"));
    Type(page, "MyOpenFolderDialogSubCorporaResults", root_ + QStringLiteral("/sub-corpora"));
    Named<QComboBox>(page, "AdvComboBoxDelicacy")->setCurrentText(QStringLiteral("year"));
    RunAndSave(page, "AdvGlowButtonBuildSubCorpus", "TableSubCorporaFiles", "build-sub-corpora");
  }

 private:
  QString Corpus(const char* rel) const {
    return root_ + QStringLiteral("/corpus/") + QString::fromLatin1(rel);
  }

  // Writes a text of the corpus, dated in the given year.
  void Write(const char* rel, const QByteArray& bytes, int year = 2022) {
    QFile file(Corpus(rel));
    QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
    // Flushed before the date is set, which a later flush would renew.
    QVERIFY(file.write(bytes) == bytes.size() && file.flush());
    const QDateTime when(QDate(year, 3 + year % 7, 14), QTime(10, 30), Qt::LocalTime);
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
  }

  void MakeCorpus() {
    Write("good/reference.txt", Prose(96, 0));
    Write("filters.txt", "river\nbridge\nharvest\nsnow\nlibrary\n");
    Write("texts/village/river-walk.txt", ArchivedText(16, 1, "Ashford"), 2018);
    Write("texts/village/river-walk-copy.txt", ArchivedText(16, 1, "Ashford"), 2018);
    Write("texts/village/market-day.txt", ArchivedText(15, 3, "Brookmere"), 2019);
    Write("texts/village/winter-roads.txt", ArchivedText(14, 5, "Calder"), 2019);
    Write("texts/town/bridge-opening.txt", ArchivedText(16, 7, "Dunmore"), 2020);
    Write("texts/town/library-notes.txt", ArchivedText(12, 2, "Elmsworth"), 2020);
    Write("texts/town/station-days.txt", ArchivedText(16, 10, "Fairholm"), 2021);
    Write("texts/letters/letter-from-the-city.txt", ArchivedText(15, 11, "Glenrow"), 2021);
    // A second market day, one sentence apart from the first.
    Write("texts/letters/market-day.txt", ArchivedText(15, 3, "Brookmere") + kSentences[12], 2019);
    // Damage of the kinds the corruption check finds.
    Write("texts/archive/damaged-nul.txt", Prose(6, 2) + QByteArray(1, '\0') + Prose(6, 9), 2020);
    QByteArray binary("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
    for (int i = 0; i < 64; ++i) binary += QByteArray("\x00\x01\x02\x7f\xe3\x9c", 6);
    Write("texts/archive/backup.txt", binary, 2021);
    // Letters in random order: readable, but no language.
    QByteArray noise;
    std::uint32_t state = 7;
    const QByteArray letters("qxzjvkwyfpgbmhdcul");
    for (int word = 0; word < 600; ++word) {
      const int length = 2 + static_cast<int>((state = state * 1103515245u + 12345u) >> 16) % 7;
      for (int k = 0; k < length; ++k)
        noise += letters[static_cast<int>((state = state * 1103515245u + 12345u) >> 16) %
                         letters.size()];
      noise += word % 12 == 11 ? "\r\n" : " ";
    }
    Write("texts/archive/keyboard-noise.txt", noise, 2021);
  }

  // Brings a page to the front of the window.
  QWidget* Show(QWidget* page) {
    window_->pager->setCurrentWidget(page);
    QApplication::processEvents();
    return page;
  }

  // Starts a page's tool, waits for its results and saves the picture.
  void RunAndSave(QWidget* page, const char* start_button, const char* results_view,
                  const char* picture) {
    dialogs_.Clear();
    Named<QAbstractButton>(page, start_button)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window_->ToolRunning(), 60000);
    QApplication::processEvents();
    auto* view = Named<QAbstractItemView>(page, results_view);
    QTRY_VERIFY2(view->model() && view->model()->rowCount() > 0,
                 qPrintable(dialogs_.ShownNames().join(QStringLiteral(", "))));
    Reveal(view);
    QApplication::processEvents();
    // Every column heading of the page's lists shows in full.
    for (QHeaderView* header : page->findChildren<QHeaderView*>()) {
      if (!header->isVisible() || header->orientation() != Qt::Horizontal) continue;
      for (int c = 0; c < header->count(); ++c) {
        const QString heading = header->model()->headerData(c, Qt::Horizontal).toString();
        QVERIFY2(header->isSectionHidden(c) ||
                     header->sectionSize(c) >= header->fontMetrics().horizontalAdvance(heading) + 8,
                 qPrintable(QStringLiteral("heading \"%1\" cut").arg(heading)));
      }
    }
    const QImage image = window_->grab().toImage();
    const QString name = QString::fromLatin1(picture) + QStringLiteral(".png");
    QVERIFY(image.save(out_ + QLatin1Char('/') + name));
    const QString source = qEnvironmentVariable("SORVEL_UPDATE_SCREENSHOTS");
    if (!source.isEmpty()) {
      QVERIFY(QDir().mkpath(source + QStringLiteral("/docs/pages")));
      QVERIFY(image.save(source + QStringLiteral("/docs/pages/") + name));
    }
  }

  QString root_;
  std::unique_ptr<QLockFile> lock_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  QString out_;
};

QTEST_MAIN(PageScreenshotsTest)
#include "page_screenshots_uitest.moc"
