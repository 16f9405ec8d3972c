// Pictures of every page of the main window, each after a run with results,
// at the window's default size. The test makes a small corpus, runs each
// page's tool on it as a user would (by the controls' names), waits for the
// results and grabs the window. It checks what can be checked without
// comparing pixels: the picture is not blank, the results view has rows,
// every tab shows whole in the tab bar and no control of the page is pushed
// past its edge.
//
// The pictures go to page_screenshots/ beside the test always, and into
// docs/pages/ of the source tree only when SORVEL_UPDATE_SCREENSHOTS names
// that tree (tools/update-screenshots.sh runs the test so), so that a plain
// test run never changes the sources.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <cstdint>
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

// Clicks a dialog's OK once the dialog of that name is shown (the relevance
// check asks where its texts are in a modal window).
void AnswerChooserWhenShown(const QString& folder) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, folder] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(top);
      if (!dialog || !dialog->isVisible() ||
          dialog->objectName() != QStringLiteral("FormFolderOrListChooser"))
        continue;
      Type(dialog, "ElFolderNameEditFolder", folder);
      Tick(dialog, "AdvOfficeCheckBoxIncludeSubFolders", true);
      Named<QAbstractButton>(dialog, "AdvGlowButtonOK")->click();
      poll->deleteLater();
      return;
    }
  });
  poll->start();
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

  void everyTabShowsWhole() {
    QTabBar* bar = window_->pager->tabBar();
    QStringList cut;
    for (int i = 0; i < bar->count(); ++i)
      if (!bar->rect().contains(bar->tabRect(i))) cut << bar->tabText(i);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", ")) + QStringLiteral(" cut")));
  }

  void corruption() {
    QWidget* page = Show(window_->corruption_tab);
    Type(page, "ElFileNameEditCorruptGoodFiles", Corpus("good/reference.txt"));
    Type(page, "ElFolderNameEditCorrupt", Corpus("texts"));
    Tick(page, "AdvOfficeCheckBoxCorruptIncludeSubfolders", true);
    Tick(page, "AdvOfficeCheckBoxCorruptThorough", true);
    Run(page, "ButtonCorruptStart");
    Finish(page, "ListBoxCorrupt", "corruption");
  }

  void duplicateNames() {
    QWidget* page = Show(window_->dup_names_tab);
    Type(page, "ElFolderNameEditDuplicates1", Corpus("texts"));
    Tick(page, "CheckBoxFolder1Subdirs", true);
    Run(page, "AdvGlowButtonDuplicateNamesFind");
    Finish(page, "TreeViewDupNames", "duplicate-names");
  }

  void duplicateContents() {
    QWidget* page = Show(window_->dup_contents_tab);
    Type(page, "MyOpenFolderDialogDuplicateContents", Corpus("texts"));
    Tick(page, "AdvOfficeCheckBoxDupContentsUseDates", false);
    Tick(page, "AdvOfficeCheckBoxDupContentsSameFolder", false);
    Run(page, "AdvGlowButtonDuplicateContentsSearch");
    Finish(page, "AdvListViewDupContents", "duplicate-contents");
  }

  void boilerplate() {
    QWidget* page = Show(window_->boilerplate_tab);
    Type(page, "ElFolderNameEditBoilerHeadFolder", Corpus("texts"));
    Tick(page, "AdvOfficeCheckBoxSubFoldersTooBoiler", true);
    Run(page, "AdvGlowButtonBoilerSearch");
    Finish(page, "AdvTreeViewBoiler", "boilerplate");
  }

  void relevance() {
    QWidget* page = Show(window_->relevance_tab);
    Type(page, "ElFileNameEditFilterStrings", Corpus("filters.txt"));
    Named<QSpinBox>(page, "AdvSpinEditRelevanceMinWords")->setValue(50);
    AnswerChooserWhenShown(Corpus("texts"));
    Run(page, "AdvGlowButtonRelevanceCheck");
    Finish(page, "LXSimpleVirtualGridRelevance", "relevance");
  }

  void corpusSampler() {
    QWidget* page = Show(window_->sample_tab);
    Type(page, "MyOpenFolderDialogSampleSource", Corpus("texts"));
    Named<QSpinBox>(page, "AdvSpinEditSample")->setValue(6);
    Run(page, "AdvGlowButtonRandomSampleFromFolder");
    Finish(page, "LXSimpleVirtualGridSample", "corpus-sampler");
  }

  void buildSubCorpora() {
    QWidget* page = Show(window_->sub_corpora_tab);
    const QString results = root_ + QStringLiteral("/sub-corpora");
    Type(page, "MyOpenFolderDialogSubCorporaSource", Corpus("texts"));
    Type(page, "MyOpenFolderDialogSubCorporaResults", results);
    Named<QComboBox>(page, "AdvComboBoxDelicacy")->setCurrentText(QStringLiteral("year"));
    Run(page, "AdvGlowButtonBuildSubCorpus");
    QCOMPARE(QDir(results + QStringLiteral("/year")).entryList(QDir::Files).size(), 4);
    Finish(page, "TableSubCorporaFiles", "build-sub-corpora");
  }

 private:
  QString Corpus(const char* rel) const {
    return root_ + QStringLiteral("/corpus/") + QString::fromLatin1(rel);
  }

  // Writes a text of the corpus, dated in the given year.
  void Write(const char* rel, const QByteArray& bytes, int year = 2022) {
    const QString path = Corpus(rel);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.flush());  // before the date, which a later flush would renew
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

  // Starts a page's tool and waits for it to end.
  void Run(QWidget* page, const char* start_button) {
    dialogs_.Clear();
    auto* button = Named<QAbstractButton>(page, start_button);
    QVERIFY2(button->isEnabled(), start_button);
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window_->ToolRunning(), 60000);
    QApplication::processEvents();
  }

  // Checks the page with its results and saves its picture.
  void Finish(QWidget* page, const char* results_view, const char* picture) {
    if (results_view) {
      auto* view = Named<QAbstractItemView>(page, results_view);
      QTRY_VERIFY2(view->model() && view->model()->rowCount() > 0,
                   qPrintable(dialogs_.ShownNames().join(QStringLiteral(", "))));
      Reveal(view);
      QVERIFY(view->isVisible());
    }
    QApplication::processEvents();
    // Every column heading of the page's lists shows in full.
    for (QHeaderView* header : page->findChildren<QHeaderView*>()) {
      if (!header->isVisible() || header->orientation() != Qt::Horizontal) continue;
      for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c)) continue;
        const QString heading = header->model()->headerData(c, Qt::Horizontal).toString();
        const int needed = header->fontMetrics().horizontalAdvance(heading) + 8;
        QVERIFY2(header->sectionSize(c) >= needed,
                 qPrintable(QStringLiteral("heading \"%1\" cut").arg(heading)));
      }
    }
    const QImage image = window_->grab().toImage();
    QCOMPARE(image.size(), window_->size() * image.devicePixelRatio());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 16, "the picture is blank");

    const QString name = QString::fromLatin1(picture) + QStringLiteral(".png");
    QVERIFY(image.save(out_ + QLatin1Char('/') + name));
    const QString source = qEnvironmentVariable("SORVEL_UPDATE_SCREENSHOTS");
    if (!source.isEmpty()) {
      const QString docs = source + QStringLiteral("/docs/pages");
      QVERIFY(QDir().mkpath(docs));
      QVERIFY(image.save(docs + QLatin1Char('/') + name));
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
