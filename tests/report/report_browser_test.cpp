// The report page in a real browser: headless Chromium loads it, logs no
// console message (a script error or a refused load would show there), builds
// the SVG pictures into its document and paints their bars. What the page says,
// and that it asks for nothing from the network, is left to the writer tests.
// The screenshot goes to the build tree, or to docs/ for the README when
// SORVEL_UPDATE_SCREENSHOTS names the source folder; the corpus is shown
// under a reader's kind of path.

#include <gtest/gtest.h>

#include <QDir>
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
  p.setArguments(
      QStringLiteral("--headless --no-sandbox --disable-gpu --hide-scrollbars "
                     "--no-first-run --enable-logging=stderr --v=0")
          .split(u' ') +
      QStringList{"--user-data-dir=" + profile, "--host-resolver-rules=MAP * ~NOTFOUND"} + args);
  p.start();
  p.waitForFinished(120000);
  return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// Where the screenshot is kept: docs/ of the source folder named by
// SORVEL_UPDATE_SCREENSHOTS, else the working folder.
QString ScreenshotPath() {
  const QString source = qEnvironmentVariable("SORVEL_UPDATE_SCREENSHOTS");
  if (source.isEmpty()) return QDir::current().filePath(QStringLiteral("report.png"));
  return QDir(source).filePath(QStringLiteral("docs/report.png"));
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
  QByteArray html_page = CorpusReportHtml(MakeCorpusReport(options), QLocale::c());
  html_page.replace(corpus.tree.Root().toUtf8(), "/home/linguist/corpora/news-2024");
  TempTree out;
  const QString page = out.Write(QStringLiteral("report.html"), html_page);
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
  QSet<QRgb> colours, top;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) (y < 1200 ? top : colours).insert(image.pixel(x, y));
  colours.unite(top);
  EXPECT_TRUE(colours.contains(qRgb(0x3b, 0x6f, 0xb6)));  // text sizes and the first encoding
  EXPECT_TRUE(colours.contains(qRgb(0x4f, 0x9e, 0x5b)));  // texts per month
  EXPECT_TRUE(colours.contains(qRgb(0xc6, 0x28, 0x28)));  // broken files by folder
  EXPECT_TRUE(colours.contains(qRgb(0xef, 0x6c, 0x00)));  // duplicates by folder
  EXPECT_GT(top.size(), 20) << "the top of the page looks blank";

  const QString keep = ScreenshotPath();
  QDir().mkpath(QFileInfo(keep).absolutePath());
  EXPECT_TRUE(image.copy(0, 0, 1280, 1800).save(keep)) << keep.toStdString();
}
