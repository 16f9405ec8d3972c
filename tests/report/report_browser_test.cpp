// The report page in a real browser: headless Chromium loads it, logs no
// console message (a script error or a refused load would show there),
// builds the SVG pictures into its document, and paints them (their bar
// colours are in the screenshot). That the page asks for nothing from the
// network is checked on its source by the writer tests. The screenshot goes to
// the test's working folder (in the build tree); the README's copy in docs/ is
// renewed only when SORVEL_UPDATE_SCREENSHOTS names the source folder
// (tools/update-screenshots.sh). The page shown there lists the corpus under
// a reader's kind of path, not the test's temporary folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include "report/corpus_report.h"
#include "report/mixed_corpus.h"
#include "report/report_writers.h"
#include "support/test_support.h"

namespace {

QString FindChromium() {
  for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) return path;
  }
  return {};
}

struct BrowserRun {
  int code = -1;
  QByteArray out;
  QByteArray err;
};

BrowserRun RunChromium(const QString& chromium, const QString& profile, const QStringList& args) {
  QProcess p;
  p.setProgram(chromium);
  // No sandbox: the suite runs as root in CI containers, where the sandbox
  // cannot start. Every host name fails to resolve, so a page that needed
  // the network would log the failed load.
  p.setArguments(QStringList{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                             QStringLiteral("--disable-gpu"), QStringLiteral("--hide-scrollbars"),
                             QStringLiteral("--no-first-run"),
                             QStringLiteral("--user-data-dir=") + profile,
                             QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"),
                             QStringLiteral("--enable-logging=stderr"), QStringLiteral("--v=0")} +
                 args);
  p.start();
  p.waitForFinished(120000);
  return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// The report as if its corpus lay at shown_root: every path and text that
// names the test's temporary folder names shown_root instead.
void MoveReportTo(CorpusReport& r, const QString& root, const QString& shown_root) {
  auto move = [&](QString& text) { text.replace(root, shown_root); };
  move(r.folder);
  move(r.move_command);
  for (QString& o : r.options) move(o);
  for (ReportBrokenFile& b : r.broken) move(b.path);
  for (ReportNameGroup& g : r.name_groups)
    for (QString& p : g.paths) move(p);
  for (auto& g : r.near_groups)
    for (ReportNearDuplicate& m : g) move(m.path);
  for (ReportMove& m : r.moves) {
    move(m.from);
    move(m.to);
  }
  for (ReportFolder& f : r.by_folder) move(f.folder);
  for (FileProblem& p : r.problems) move(p.file);
}

// Where the screenshot is kept: docs/ of the source folder named by
// SORVEL_UPDATE_SCREENSHOTS, else the working folder.
QString ScreenshotPath() {
  const QString source = qEnvironmentVariable("SORVEL_UPDATE_SCREENSHOTS");
  if (source.isEmpty()) return QDir::current().filePath(QStringLiteral("report.png"));
  return QDir(source).filePath(QStringLiteral("docs/report.png"));
}

bool HasColour(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
  }
  return false;
}

}  // namespace

TEST(ReportInBrowser, RendersWithoutErrorsAndDrawsThePictures) {
  const QString chromium = FindChromium();
  if (chromium.isEmpty()) {
    std::fprintf(
        stderr,
        "\n*** CHROMIUM IS MISSING: the report page was NOT checked in a browser. ***\n"
        "*** Install the Debian package chromium (tools/install-deps.sh does).     ***\n\n");
    GTEST_SKIP() << "chromium is not installed";
  }
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  CorpusReportOptions options;
  options.folder = corpus.tree.Root();
  CorpusReport report = MakeCorpusReport(options);
  MoveReportTo(report, corpus.tree.Root(), QStringLiteral("/home/linguist/corpora/news-2024"));
  TempTree out;
  const QString page =
      out.Write(QStringLiteral("report.html"), CorpusReportHtml(report, QLocale::c()));
  const QString url = QStringLiteral("file://") + page;
  const QString profile = out.MakeDir(QStringLiteral("profile"));

  // The document the browser built: every picture with its bars.
  const BrowserRun dom = RunChromium(chromium, profile, {QStringLiteral("--dump-dom"), url});
  ASSERT_EQ(dom.code, 0) << dom.err.toStdString();
  const QString html = QString::fromUtf8(dom.out);
  for (const char* id : {"chart-sizes", "chart-months", "chart-encodings", "chart-folders"}) {
    const QRegularExpression svg(
        QStringLiteral("<svg[^>]*id=\"%1\"[^>]*>(.*?)</svg>").arg(QLatin1String(id)),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = svg.match(html);
    ASSERT_TRUE(m.hasMatch()) << id;
    EXPECT_GE(m.captured(1).count(QStringLiteral("<rect")), 2) << id;
  }
  EXPECT_TRUE(html.contains(QStringLiteral("id=\"verdict-broken\"")));
  EXPECT_TRUE(html.contains(QStringLiteral("garbled.txt")));
  EXPECT_TRUE(html.contains(QStringLiteral("/home/linguist/corpora/news-2024/")));
  EXPECT_FALSE(html.contains(corpus.tree.Root()));

  // Nothing wrong in the browser's log.
  const QString log = QString::fromUtf8(dom.err);
  EXPECT_FALSE(log.contains(QStringLiteral("CONSOLE"))) << log.toStdString();
  EXPECT_FALSE(log.contains(QStringLiteral("net::ERR"))) << log.toStdString();

  // Painted: the whole page, with the colours of the pictures' bars.
  const QString shot = out.Path(QStringLiteral("shot.png"));
  const BrowserRun paint = RunChromium(
      chromium, profile,
      {QStringLiteral("--window-size=1280,5200"), QStringLiteral("--screenshot=") + shot, url});
  ASSERT_EQ(paint.code, 0) << paint.err.toStdString();
  QImage image(shot);
  ASSERT_FALSE(image.isNull());
  image = image.convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(HasColour(image, qRgb(0x3b, 0x6f, 0xb6)));  // text sizes and the first encoding
  EXPECT_TRUE(HasColour(image, qRgb(0x4f, 0x9e, 0x5b)));  // texts per month
  EXPECT_TRUE(HasColour(image, qRgb(0xc6, 0x28, 0x28)));  // broken files by folder
  EXPECT_TRUE(HasColour(image, qRgb(0xef, 0x6c, 0x00)));  // duplicates by folder
  QSet<QRgb> colours;
  for (int y = 0; y < 1200; y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 20) << "the top of the page looks blank";

  const QString keep = ScreenshotPath();
  QDir().mkpath(QFileInfo(keep).absolutePath());
  EXPECT_TRUE(image.copy(0, 0, 1280, 1800).save(keep)) << keep.toStdString();
}
