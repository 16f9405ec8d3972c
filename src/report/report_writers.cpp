#include "report/report_writers.h"

#include <QJsonArray>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <functional>
#include <span>
#include <type_traits>

#include "runtime/native_names.h"
#include "runtime/run_summary.h"

namespace {

double Share(std::int64_t part, std::int64_t whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

// A share for JSON: six decimals are more than any reader needs, and they
// keep the float noise of the distances out of the file.
double Rounded(double v) { return std::round(v * 1e6) / 1e6; }

QString Pct(double share, const QLocale& locale) {
  const double p = 100.0 * share;
  const int decimals = p == 0 || p >= 10 ? 0 : (p >= 1 ? 1 : 2);
  return locale.toString(p, 'f', decimals) + QStringLiteral(" %");
}

QString Num(std::int64_t n, const QLocale& locale) {
  return locale.toString(static_cast<qlonglong>(n));
}

QString Bytes(std::int64_t n, const QLocale& locale) {
  static const char* const units[] = {"bytes", "KB", "MB", "GB", "TB"};
  double v = static_cast<double>(n);
  int u = 0;
  while (v >= 1024 && u < 4) {
    v /= 1024;
    ++u;
  }
  if (u == 0) return Num(n, locale) + QStringLiteral(" bytes");
  return locale.toString(v, 'f', v < 10 ? 1 : 0) + QLatin1Char(' ') + QLatin1String(units[u]);
}

// The lower bound of a size bin, short: "0", "1", "512", "1K", "2M".
QString BinLabel(std::size_t bin) {
  if (bin == 0) return QStringLiteral("0");
  const std::int64_t from = std::int64_t{1} << (bin - 1);
  static const char* const suffix[] = {"", "K", "M", "G", "T", "P", "E"};
  int s = 0;
  std::int64_t v = from;
  while (v >= 1024 && s < 6) {
    v /= 1024;
    ++s;
  }
  return QString::number(v) + QLatin1String(suffix[s]);
}

QString Attr(const QString& text) { return HtmlEscaped(text); }

// A path as people read it.
QString Shown(const QString& path) { return HtmlEscaped(DisplayName(path)); }

QString FileLink(const QString& path) {
  return QStringLiteral("<a href=\"%1\">%2</a>").arg(Attr(FileUrl(path)), Shown(path));
}

QString CutNote(std::int64_t shown, std::int64_t total, const QString& what,
                const QLocale& locale) {
  // what is plural: a list is cut only when it holds more than one entry.
  if (shown >= total) return {};
  const QString all = Num(total, locale) + QLatin1Char(' ') + what;
  const QString first =
      shown == 1 ? QStringLiteral("Only the first of %1 is listed").arg(all)
                 : QStringLiteral("The first %1 of %2 are listed").arg(Num(shown, locale), all);
  return QStringLiteral("<p class=\"cut\">") + first +
         QStringLiteral(
             "; the JSON output (--json) has the same limit, and the tool of each "
             "check lists them all.</p>");
}

// One column of a listed table, on the page and in the JSON object alike:
// its head and cell on the page, its field and value in the object. A column
// without a heading is in the object only; one without a key on the page only.
template <typename Row>
struct Column {
  const char* heading = nullptr;
  const char* key = nullptr;
  const char* css = nullptr;  // the cells' class: "n" (a number, right-aligned) or "path"
  std::function<QString(const Row&, const QLocale&)> cell;  // markup, escaped
  std::function<QJsonValue(const Row&)> value;
  std::function<QString(const Row&)> css_of = nullptr;  // a class that depends on the row
};

template <typename Row>
using Columns = std::vector<Column<Row>>;

template <typename Row>
QString TableHead(const char* id, const Columns<Row>& columns) {
  QString h = QStringLiteral("<table id=\"%1\"><thead><tr>").arg(QLatin1String(id));
  for (const Column<Row>& c : columns) {
    if (!c.heading) continue;
    const bool number = c.css && qstrcmp(c.css, "n") == 0;
    h += (number ? QStringLiteral("<th class=\"n\">") : QStringLiteral("<th>")) +
         QLatin1String(c.heading) + QStringLiteral("</th>");
  }
  return h + QStringLiteral("</tr></thead>");
}

template <typename Row>
QString TableRow(const Columns<Row>& columns, const Row& row, const QLocale& l) {
  QString h = QStringLiteral("<tr>");
  for (const Column<Row>& c : columns) {
    if (!c.heading) continue;
    const QString css = c.css_of ? c.css_of(row) : QString::fromLatin1(c.css);
    h += (css.isEmpty() ? QStringLiteral("<td>") : QStringLiteral("<td class=\"%1\">").arg(css)) +
         c.cell(row, l) + QStringLiteral("</td>");
  }
  return h + QStringLiteral("</tr>");
}

// A table of rows, with the note that says how many were left out of it.
template <typename Row>
QString Table(const char* id, const Columns<Row>& columns,
              std::type_identity_t<std::span<const Row>> rows, std::int64_t total,
              const QString& what, const QLocale& l) {
  QString h = TableHead(id, columns) + QStringLiteral("<tbody>");
  for (const Row& row : rows) h += TableRow(columns, row, l);
  h += QStringLiteral("</tbody></table>");
  return h + CutNote(static_cast<std::int64_t>(rows.size()), total, what, l);
}

// A table of groups of rows, each group a body of its own.
template <typename Row>
QString GroupedTable(const char* id, const Columns<Row>& columns,
                     const std::vector<std::vector<Row>>& groups, std::int64_t total,
                     const QString& what, const QLocale& l) {
  QString h = TableHead(id, columns);
  for (const std::vector<Row>& group : groups) {
    h += QStringLiteral("<tbody class=\"group\">");
    for (const Row& row : group) h += TableRow(columns, row, l);
    h += QStringLiteral("</tbody>");
  }
  h += QStringLiteral("</table>");
  return h + CutNote(static_cast<std::int64_t>(groups.size()), total, what, l);
}

// The same rows as objects, one field per column with a key.
template <typename Row>
QJsonArray JsonRows(const Columns<Row>& columns, std::type_identity_t<std::span<const Row>> rows) {
  QJsonArray out;
  for (const Row& row : rows) {
    QJsonObject o;
    for (const Column<Row>& c : columns)
      if (c.key) o.insert(QLatin1String(c.key), c.value(row));
    out.append(o);
  }
  return out;
}

// The listed tables of the report: each is one list of the result, shown on
// the page and written to the object by the same columns.

const Columns<ReportBrokenFile>& BrokenColumns() {
  static const Columns<ReportBrokenFile> columns = {
      {"File", "file", "path", [](const auto& b, const QLocale&) { return FileLink(b.path); },
       [](const auto& b) { return QJsonValue(DisplayName(b.path)); }},
      {"Test", "test", nullptr, [](const auto& b, const QLocale&) { return HtmlEscaped(b.test); },
       [](const auto& b) { return QJsonValue(b.test); }},
      {"Distance", "distance", "n",
       [](const auto& b, const QLocale& l) {
         return b.test == QStringLiteral("digraph") ? Pct(b.distance, l) : QString();
       },
       [](const auto& b) { return QJsonValue(Rounded(b.distance)); }},
      {"What was found", "note", nullptr,
       [](const auto& b, const QLocale&) { return HtmlEscaped(b.note); },
       [](const auto& b) { return QJsonValue(b.note); }},
  };
  return columns;
}

const Columns<ReportNameGroup>& NameGroupColumns() {
  static const Columns<ReportNameGroup> columns = {
      {"Name", "name", nullptr, [](const auto& g, const QLocale&) { return Shown(g.name); },
       [](const auto& g) { return QJsonValue(DisplayName(g.name)); }},
      {"Files", "files", "path",
       [](const auto& g, const QLocale&) {
         QStringList links;
         for (const QString& p : g.paths) links << FileLink(p);
         return links.join(QStringLiteral("<br>"));
       },
       [](const auto& g) {
         QJsonArray paths;
         for (const QString& p : g.paths) paths.append(DisplayName(p));
         return QJsonValue(paths);
       }},
  };
  return columns;
}

const Columns<ReportNearDuplicate>& NearDuplicateColumns() {
  static const Columns<ReportNearDuplicate> columns = {
      {"File", "file", "path", [](const auto& m, const QLocale&) { return FileLink(m.path); },
       [](const auto& m) { return QJsonValue(DisplayName(m.path)); }},
      {nullptr, "bytes", nullptr, nullptr,
       [](const auto& m) { return QJsonValue(static_cast<double>(m.size)); }},
      {"Words", "words", "n", [](const auto& m, const QLocale& l) { return Num(m.tokens, l); },
       [](const auto& m) { return QJsonValue(m.tokens); }},
      {"Word differences", "word_diff", "n",
       [](const auto& m, const QLocale& l) { return Num(m.token_diff, l); },
       [](const auto& m) { return QJsonValue(m.token_diff); }},
      {"Word-type differences", "type_diff", "n",
       [](const auto& m, const QLocale& l) { return Num(m.type_diff, l); },
       [](const auto& m) { return QJsonValue(m.type_diff); }},
      {"", "keep", nullptr,
       [](const auto& m, const QLocale&) {
         return m.keep ? QStringLiteral("keep") : QStringLiteral("spare copy");
       },
       [](const auto& m) { return QJsonValue(m.keep); },
       [](const auto& m) { return m.keep ? QStringLiteral("keep") : QStringLiteral("spare"); }},
  };
  return columns;
}

const Columns<ReportMove>& MoveColumns() {
  static const Columns<ReportMove> columns = {
      {"Would move", "from", "path", [](const auto& m, const QLocale&) { return FileLink(m.from); },
       [](const auto& m) { return QJsonValue(DisplayName(m.from)); }},
      {"to", "to", "path", [](const auto& m, const QLocale&) { return Shown(m.to); },
       [](const auto& m) { return QJsonValue(DisplayName(m.to)); }},
  };
  return columns;
}

const Columns<ReportChunk>& ChunkColumns() {
  static const Columns<ReportChunk> columns = {
      {"Hits", "hits", "n", [](const auto& c, const QLocale& l) { return Num(c.hits, l); },
       [](const auto& c) { return QJsonValue(static_cast<double>(c.hits)); }},
      {"Files", "files", "n", [](const auto& c, const QLocale& l) { return Num(c.files, l); },
       [](const auto& c) { return QJsonValue(c.files); }},
      {"Sentence", "text", nullptr,
       [](const auto& c, const QLocale&) { return HtmlEscaped(c.text); },
       [](const auto& c) { return QJsonValue(c.text); }},
  };
  return columns;
}

const Columns<FileProblem>& ProblemColumns() {
  static const Columns<FileProblem> columns = {
      {"File or folder", "file", "path",
       [](const auto& p, const QLocale&) { return FileLink(p.file); },
       [](const auto& p) { return QJsonValue(DisplayName(p.file)); }},
      {"Why it could not be read", "reason", nullptr,
       [](const auto& p, const QLocale&) { return HtmlEscaped(p.reason); },
       [](const auto& p) { return QJsonValue(p.reason); }},
  };
  return columns;
}

// Lists that the page draws as pictures and the object lists as they are.

const Columns<ReportCount>& EncodingColumns() {
  static const Columns<ReportCount> columns = {
      {nullptr, "encoding", nullptr, nullptr, [](const auto& e) { return QJsonValue(e.name); }},
      {nullptr, "files", nullptr, nullptr,
       [](const auto& e) { return QJsonValue(static_cast<double>(e.count)); }},
  };
  return columns;
}

const Columns<ReportCount>& MonthColumns() {
  static const Columns<ReportCount> columns = {
      // "YYYY-MM", the form of dates that readers of the object expect.
      {nullptr, "month", nullptr, nullptr,
       [](const auto& m) {
         return QJsonValue(QString(m.name).replace(QLatin1Char('_'), QLatin1Char('-')));
       }},
      {nullptr, "files", nullptr, nullptr,
       [](const auto& m) { return QJsonValue(static_cast<double>(m.count)); }},
  };
  return columns;
}

const Columns<ReportFolder>& FolderColumns() {
  static const Columns<ReportFolder> columns = {
      {nullptr, "folder", nullptr, nullptr,
       [](const auto& f) { return QJsonValue(DisplayName(f.folder)); }},
      {nullptr, "files", nullptr, nullptr,
       [](const auto& f) { return QJsonValue(static_cast<double>(f.files)); }},
      {nullptr, "broken", nullptr, nullptr,
       [](const auto& f) { return QJsonValue(static_cast<double>(f.broken)); }},
      {nullptr, "duplicates", nullptr, nullptr,
       [](const auto& f) { return QJsonValue(static_cast<double>(f.duplicates)); }},
  };
  return columns;
}

const char* const kStyle = R"CSS(
:root{--ok:#2e7d32;--bad:#c62828;--warn:#ef6c00;--ink:#1d2330;--muted:#5b6474;--line:#d9dee7;--bg:#f6f7fa}
*{box-sizing:border-box}
body{font:15px/1.45 "DejaVu Sans",system-ui,sans-serif;color:var(--ink);margin:0;background:var(--bg)}
header{background:#24324a;color:#fff;padding:18px 28px}
header h1{margin:0 0 4px;font-size:24px}
header p{margin:2px 0;color:#d5dcea;word-break:break-all}
nav{padding:8px 28px;background:#fff;border-bottom:1px solid var(--line);position:sticky;top:0}
nav a{margin-right:16px;color:#24324a;text-decoration:none;font-weight:600}
main{padding:8px 28px 40px;max-width:1200px}
section{background:#fff;border:1px solid var(--line);border-radius:6px;padding:6px 20px 16px;margin:16px 0}
h2{font-size:20px;margin:12px 0 8px}
h3{font-size:16px;margin:16px 0 6px}
ul.verdicts{list-style:none;padding:0}
ul.verdicts li{padding:5px 10px;margin:4px 0;border-left:5px solid var(--ok);background:#f1f8f1}
ul.verdicts li.bad{border-color:var(--bad);background:#fdf0f0}
table{border-collapse:collapse;width:100%;font-size:13.5px;margin:6px 0}
th,td{text-align:left;padding:4px 8px;border-bottom:1px solid var(--line);vertical-align:top}
th{background:#eef1f6}
td.n,th.n{text-align:right;white-space:nowrap}
td.path{word-break:break-all}
table.facts{width:auto}
table.facts th{background:none;font-weight:normal;color:var(--muted)}
.keep{color:var(--ok);font-weight:600}
.spare{color:var(--warn);font-weight:600}
.cut,.muted{color:var(--muted);font-size:13px}
code,pre{font-family:"DejaVu Sans Mono",monospace;font-size:13px;background:#eef1f6;padding:2px 5px;border-radius:3px}
pre{padding:8px;white-space:pre-wrap;word-break:break-all}
svg.chart{display:block;max-width:100%;height:auto;margin:6px 0 12px}
svg text{font:11px "DejaVu Sans",sans-serif;fill:var(--ink)}
.legend span{display:inline-block;margin-right:14px;font-size:13px}
.legend i{display:inline-block;width:11px;height:11px;margin-right:5px;vertical-align:-1px}
tbody.group{border-top:2px solid #b8c0cc}
@media print{
 body{background:#fff;font-size:11pt}
 nav{display:none}
 header{background:none;color:#000;padding:0 0 8px;border-bottom:2px solid #000}
 header p{color:#000}
 section{border:none;padding:0;margin:10px 0;break-inside:auto}
 h2{break-after:avoid}
 svg.chart,tr{break-inside:avoid}
 a{color:#000;text-decoration:none}
}
)CSS";

const char* const kPalette[] = {"#3b6fb6", "#e39b2d", "#4f9e5b", "#b8485d",
                                "#7b62b8", "#3fa3a3", "#9a7b4f", "#888"};

// A column chart: one bar per value, labels under some of them.
QString ColumnChart(const QString& id, const QString& title,
                    const std::vector<std::int64_t>& values, const std::vector<QString>& labels,
                    const QString& colour, const QLocale& locale) {
  const int width = 900, height = 240, left = 56, bottom = 36, top = 14;
  const int plot_w = width - left - 10, plot_h = height - bottom - top;
  const std::int64_t max =
      std::max<std::int64_t>(1, *std::max_element(values.begin(), values.end()));
  // Bars fill the width, but a short series keeps them slim.
  const double bar =
      std::min(60.0, static_cast<double>(plot_w) /
                         static_cast<double>(std::max<std::size_t>(1, values.size())));
  QString s = QStringLiteral(
                  "<svg class=\"chart\" id=\"%1\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 "
                  "0 %2 %3\" "
                  "width=\"%2\" height=\"%3\" role=\"img\" aria-label=\"%4\"><title>%4</title>")
                  .arg(id)
                  .arg(width)
                  .arg(height)
                  .arg(Attr(title));
  // Axis with a top and a middle gridline.
  for (int g = 0; g <= 2; ++g) {
    const int y = top + plot_h - plot_h * g / 2;
    s += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#d9dee7\"/>")
             .arg(left)
             .arg(y)
             .arg(width - 10);
    s += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>")
             .arg(left - 6)
             .arg(y + 4)
             .arg(Num(max * g / 2, locale));
  }
  const std::size_t label_every =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(45.0 / bar)));
  for (std::size_t k = 0; k < values.size(); ++k) {
    const double x = left + bar * static_cast<double>(k);
    const double h =
        static_cast<double>(plot_h) * static_cast<double>(values[k]) / static_cast<double>(max);
    if (values[k] > 0)
      s += QStringLiteral(
               "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"><title>%6: "
               "%7</title></rect>")
               .arg(x + 0.5, 0, 'f', 1)
               .arg(top + plot_h - std::max(1.0, h), 0, 'f', 1)
               .arg(std::max(0.8, bar - 1.0), 0, 'f', 1)
               .arg(std::max(1.0, h), 0, 'f', 1)
               .arg(colour, Attr(labels[k]), Num(values[k], locale));
    if (!labels[k].isEmpty() && k % label_every == 0)
      s += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
               .arg(x + bar / 2, 0, 'f', 1)
               .arg(height - bottom + 16)
               .arg(HtmlEscaped(labels[k]));
  }
  s += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#1d2330\"/>")
           .arg(left)
           .arg(top + plot_h)
           .arg(width - 10);
  s += QStringLiteral("</svg>");
  return s;
}

QString EncodingsBar(const CorpusReport& r, const QLocale& locale) {
  std::int64_t total = 0;
  for (const ReportCount& c : r.encodings) total += c.count;
  if (total == 0) return QStringLiteral("<p class=\"muted\">No text was read.</p>");
  const int width = 900, height = 34;
  QString s =
      QStringLiteral(
          "<svg class=\"chart\" id=\"chart-encodings\" xmlns=\"http://www.w3.org/2000/svg\" "
          "viewBox=\"0 0 %1 %2\" width=\"%1\" height=\"%2\" role=\"img\" "
          "aria-label=\"Texts by encoding\"><title>Texts by encoding</title>")
          .arg(width)
          .arg(height);
  QString legend = QStringLiteral("<p class=\"legend\">");
  double x = 0;
  for (std::size_t k = 0; k < r.encodings.size(); ++k) {
    const ReportCount& c = r.encodings[k];
    const char* colour = kPalette[std::min<std::size_t>(k, 7)];
    const double w = width * Share(c.count, total);
    s += QStringLiteral(
             "<rect x=\"%1\" y=\"2\" width=\"%2\" height=\"30\" fill=\"%3\"><title>%4: "
             "%5</title></rect>")
             .arg(x, 0, 'f', 1)
             .arg(std::max(1.0, w), 0, 'f', 1)
             .arg(QLatin1String(colour), HtmlEscaped(c.name), Num(c.count, locale));
    x += w;
    legend += QStringLiteral("<span><i style=\"background:%1\"></i>%2: %3 (%4)</span>")
                  .arg(QLatin1String(colour), HtmlEscaped(c.name), Num(c.count, locale),
                       Pct(Share(c.count, total), locale));
  }
  return s + QStringLiteral("</svg>") + legend + QStringLiteral("</p>");
}

QString FolderChart(const CorpusReport& r, const QLocale& locale) {
  if (r.by_folder.empty())
    return QStringLiteral("<p class=\"muted\">No folder holds broken files or duplicates.</p>");
  const std::size_t rows = std::min<std::size_t>(r.by_folder.size(), 25);
  std::int64_t max = 1;
  for (std::size_t k = 0; k < rows; ++k)
    max = std::max(max, r.by_folder[k].broken + r.by_folder[k].duplicates);
  const int width = 900, row_h = 22, label_w = 430;
  const int height = static_cast<int>(rows) * row_h + 8;
  QString s = QStringLiteral(
                  "<svg class=\"chart\" id=\"chart-folders\" xmlns=\"http://www.w3.org/2000/svg\" "
                  "viewBox=\"0 0 %1 %2\" width=\"%1\" height=\"%2\" role=\"img\" "
                  "aria-label=\"Broken files and "
                  "duplicates by folder\"><title>Broken files and duplicates by folder</title>")
                  .arg(width)
                  .arg(height);
  const double scale = static_cast<double>(width - label_w - 70) / static_cast<double>(max);
  for (std::size_t k = 0; k < rows; ++k) {
    const ReportFolder& f = r.by_folder[k];
    const int y = 4 + static_cast<int>(k) * row_h;
    QString name = DisplayName(f.folder);
    if (name.size() > 60) name = QStringLiteral("\u2026") + name.right(59);
    s += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>")
             .arg(label_w - 8)
             .arg(y + 14)
             .arg(HtmlEscaped(name));
    const double wb = scale * static_cast<double>(f.broken);
    const double wd = scale * static_cast<double>(f.duplicates);
    if (f.broken > 0)
      s += QStringLiteral(
               "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"16\" fill=\"#c62828\"><title>%4 "
               "broken</title></rect>")
               .arg(label_w)
               .arg(y + 2)
               .arg(std::max(1.0, wb), 0, 'f', 1)
               .arg(Num(f.broken, locale));
    if (f.duplicates > 0)
      s += QStringLiteral(
               "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"16\" "
               "fill=\"#ef6c00\"><title>%4</title>"
               "</rect>")
               .arg(label_w + wb, 0, 'f', 1)
               .arg(y + 2)
               .arg(std::max(1.0, wd), 0, 'f', 1)
               .arg(CountOf(f.duplicates, QStringLiteral("duplicate"), QStringLiteral("duplicates"),
                            locale));
    s += QStringLiteral("<text x=\"%1\" y=\"%2\">%3 / %4</text>")
             .arg(label_w + wb + wd + 6, 0, 'f', 1)
             .arg(y + 14)
             .arg(Num(f.broken, locale), Num(f.duplicates, locale));
  }
  s += QStringLiteral(
      "</svg><p class=\"legend\"><span><i style=\"background:#c62828\"></i>broken files</span>"
      "<span><i style=\"background:#ef6c00\"></i>duplicate names and spare near-duplicate "
      "copies</span></p>");
  const QString all = Num(r.folders_with_findings, locale);
  if (rows == 1 && r.folders_with_findings > 1)
    s += QStringLiteral(
             "<p class=\"cut\">Only the folder with the most findings, of %1, is drawn.</p>")
             .arg(all);
  else if (r.folders_with_findings > static_cast<std::int64_t>(rows))
    s += QStringLiteral(
             "<p class=\"cut\">Only the %1 folders with the most findings, of %2, are drawn.</p>")
             .arg(Num(static_cast<std::int64_t>(rows), locale), all);
  return s;
}

}  // namespace

QString HtmlEscaped(const QString& text) {
  QString out;
  out.reserve(text.size() + text.size() / 8);
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    const char16_t u = c.unicode();
    switch (u) {
      case u'&':
        out += QStringLiteral("&amp;");
        continue;
      case u'<':
        out += QStringLiteral("&lt;");
        continue;
      case u'>':
        out += QStringLiteral("&gt;");
        continue;
      case u'"':
        out += QStringLiteral("&quot;");
        continue;
      case u'\'':
        out += QStringLiteral("&#39;");
        continue;
      default:
        break;
    }
    if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7F) {
      out += QChar(0xFFFD);
    } else if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
      out += c;
      out += text[++i];
    } else if (c.isSurrogate()) {
      out += QChar(0xFFFD);
    } else {
      out += c;
    }
  }
  return out;
}

QString FileUrl(const QString& path) {
  // From the name's own bytes, so that a name that is not UTF-8 still links
  // to its file.
  return QStringLiteral("file://") +
         QString::fromLatin1(NativeFromName(path).toPercentEncoding("/"));
}

std::vector<ReportVerdict> ReportVerdicts(const CorpusReport& r, const QLocale& l) {
  std::vector<ReportVerdict> v;
  const std::int64_t files = r.files;
  if (r.stopped)
    v.push_back({QStringLiteral("stopped"), false,
                 QStringLiteral("The run was stopped: the report is incomplete.")});
  if (r.unreadable_files > 0)
    v.push_back({QStringLiteral("unreadable"), false,
                 QStringLiteral("%1 of %2 could not be read (listed under Problems).")
                     .arg(Num(r.unreadable_files, l),
                          CountOf(files, QStringLiteral("file"), QStringLiteral("files"), l))});
  // Without a usable reference no text was compared, and no threshold applies.
  const QString no_digraph_test =
      QStringLiteral("the corpus holds too little text for the digraph test");
  QString broken;
  if (r.broken_total == 0)
    broken =
        r.digraph_reference_usable
            ? QStringLiteral(
                  "No file looks broken: every text passed the size test and the digraph "
                  "test.")
            : QStringLiteral("No file failed the size test; ") + no_digraph_test + QLatin1Char('.');
  else
    broken = QStringLiteral("%1 of files look broken (%2): %3 failed the size test")
                 .arg(Pct(Share(r.broken_total, files), l), Num(r.broken_total, l),
                      Num(r.size_failures, l)) +
             (r.digraph_reference_usable
                  ? QStringLiteral(", %1 the digraph test (more than %2 of their letter pairs "
                                   "differ from the reference).")
                        .arg(Num(r.digraph_failures, l), Pct(r.digraph_threshold, l))
                  : QStringLiteral("; ") + no_digraph_test + QLatin1Char('.'));
  v.push_back({QStringLiteral("broken"), r.broken_total == 0, broken});
  v.push_back({QStringLiteral("names"), r.name_groups_total == 0,
               r.name_groups_total == 0
                   ? QStringLiteral("No two files share a name.")
                   : QStringLiteral("%1 of files share their name with another file (%2 in %3).")
                         .arg(Pct(Share(r.name_duplicate_files, files), l),
                              CountOf(r.name_duplicate_files, QStringLiteral("file"),
                                      QStringLiteral("files"), l),
                              CountOf(r.name_groups_total, QStringLiteral("group"),
                                      QStringLiteral("groups"), l))});
  v.push_back({QStringLiteral("near_duplicates"), r.near_groups_total == 0,
               r.near_groups_total == 0
                   ? QStringLiteral("No text is a near duplicate of another.")
                   : QStringLiteral("%1 of files are near duplicates of another file: %2 in %3, "
                                    "%4 of the corpus's bytes.")
                         .arg(Pct(Share(r.spare_copies, files), l),
                              CountOf(r.spare_copies, QStringLiteral("spare copy"),
                                      QStringLiteral("spare copies"), l),
                              CountOf(r.near_groups_total, QStringLiteral("group"),
                                      QStringLiteral("groups"), l),
                              Pct(Share(r.spare_bytes, r.bytes), l))});
  const double boiler = std::min(1.0, Share(r.chunk_characters, r.text_characters));
  v.push_back({QStringLiteral("boilerplate"), boiler < 0.01,
               r.chunks_total == 0
                   ? QStringLiteral("No sentence recurs across the texts.")
                   : QStringLiteral("%1 across texts; their repeats make up %2 of the "
                                    "corpus's text.")
                         .arg(CountOf(r.chunks_total, QStringLiteral("sentence recurs"),
                                      QStringLiteral("sentences recur"), l),
                              Pct(boiler, l))});
  return v;
}

namespace {

// The page up to its first section: title, styles, header and the section links.
QString PageHead(const CorpusReport& r, const QLocale& l) {
  QString h;

  h += QStringLiteral(
           "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>Corpus health report: %1</title><style>")
           .arg(Shown(r.folder));
  h += QLatin1String(kStyle);
  h += QStringLiteral(
           "</style></head><body>\n<header><h1>Corpus health report</h1><p>%1</p>"
           "<p>Made %2 in %3 seconds.</p></header>\n")
           .arg(Shown(r.folder), HtmlEscaped(r.generated), l.toString(r.seconds, 'f', 1));
  h += QStringLiteral(
      "<nav><a href=\"#summary\">Summary</a><a href=\"#broken\">Broken files</a>"
      "<a href=\"#duplicates\">Duplicates</a><a href=\"#boilerplate\">Boilerplate</a>"
      "<a href=\"#pictures\">Pictures</a><a href=\"#problems\">Problems</a></nav>\n<main>\n");
  return h;
}

// The verdicts, the numbers of the corpus, its encodings and the options used.
QString SummarySection(const CorpusReport& r, const QLocale& l) {
  QString h;
  const std::vector<ReportVerdict> verdicts = ReportVerdicts(r, l);
  const bool clean =
      std::all_of(verdicts.begin(), verdicts.end(), [](const ReportVerdict& v) { return v.ok; });
  h += QStringLiteral(
           "<section id=\"summary\"><h2>Summary</h2><p><strong>%1</strong></p><ul "
           "class=\"verdicts\">")
           .arg(clean ? QStringLiteral("This corpus looks clean.")
                      : QStringLiteral("This corpus needs attention where marked in red."));
  for (const ReportVerdict& v : verdicts)
    h +=
        QStringLiteral("<li class=\"%1\" id=\"verdict-%2\">%3</li>")
            .arg(v.ok ? QStringLiteral("ok") : QStringLiteral("bad"), v.check, HtmlEscaped(v.text));
  h += QStringLiteral("</ul><table class=\"facts\">");
  auto fact = [&](const QString& name, const QString& value) {
    h += QStringLiteral("<tr><th>%1</th><td class=\"n\">%2</td></tr>").arg(name, value);
  };
  fact(QStringLiteral("Files"), Num(r.files, l));
  fact(QStringLiteral("Folders with files"), Num(r.folders, l));
  fact(QStringLiteral("Size"), Bytes(r.bytes, l));
  fact(QStringLiteral("Characters of text"), Num(r.text_characters, l));
  fact(QStringLiteral("Empty files"), Num(r.empty_files, l));
  fact(QStringLiteral("Files that could not be read"), Num(r.unreadable_files, l));
  h += QStringLiteral("</table><h3>Texts by encoding</h3><table class=\"facts\" id=\"encodings\">");
  for (const ReportCount& e : r.encodings) fact(HtmlEscaped(e.name), Num(e.count, l));
  if (r.encodings.empty()) h += QStringLiteral("<tr><td>No text was read.</td></tr>");
  h += QStringLiteral("</table>");
  h += QStringLiteral("<h3>Options used</h3><ul>");
  for (const QString& o : r.options)
    h += QStringLiteral("<li>") + HtmlEscaped(o) + QStringLiteral("</li>");
  h += QStringLiteral("</ul></section>\n");
  return h;
}

// The two tests explained, with the threshold used, and the broken files.
QString BrokenSection(const CorpusReport& r, const QLocale& l) {
  QString h;
  h += QStringLiteral("<section id=\"broken\"><h2>Broken files</h2>");
  h += QStringLiteral(
      "<p>The <em>size test</em> flags a file whose readable text is shorter than the file: "
      "reading "
      "stops at a NUL byte, and bytes that are not text in the file's encoding are lost. The "
      "<em>digraph test</em> compares how often each pair of letters occurs in a text with ");
  if (!r.digraph_reference_usable) {
    h += QStringLiteral("the reference.");
  } else if (r.digraph_reference_from_corpus && r.digraph_threshold <= r.digraph_floor) {
    // The texts differ from the corpus so little (or are so few) that the
    // spread of their distances sets no cut above the least one.
    h += QStringLiteral(
             "the whole corpus, and flags those whose share of differing pairs is above "
             "<strong>%1</strong>: the texts differ too little from one another (median %2) for "
             "a cut of their own. Give known-good texts with <code>--good FOLDER</code> for a "
             "stricter reference.")
             .arg(Pct(r.digraph_threshold, l), Pct(r.digraph_median, l));
  } else if (r.digraph_reference_from_corpus) {
    h +=
        QStringLiteral(
            "the whole corpus, and flags the texts that differ most: those whose share of "
            "differing "
            "pairs is above <strong>%1</strong> (median %2 plus three robust deviations of %3, and "
            "never below %4). Give known-good texts with <code>--good FOLDER</code> for a stricter "
            "reference.")
            .arg(Pct(r.digraph_threshold, l), Pct(r.digraph_median, l),
                 Pct(1.4826 * r.digraph_mad, l), Pct(r.digraph_floor, l));
  } else {
    h += QStringLiteral(
             "the known-good texts of %1, and flags those whose share of differing pairs is above "
             "<strong>%2</strong>.")
             .arg(Shown(r.reference), Pct(r.digraph_threshold, l));
  }
  h += QStringLiteral(" %1 enough pairs to be compared.</p>")
           .arg(CountOf(r.digraph_tested, QStringLiteral("text had"), QStringLiteral("texts had"),
                        l));
  if (!r.digraph_reference_usable)
    h += QStringLiteral(
        "<p class=\"cut\">The corpus holds too little text for a digraph reference; only the size "
        "test was made.</p>");
  if (r.broken.empty()) {
    h += QStringLiteral("<p>No broken files.</p>");
  } else {
    h += Table("broken-files", BrokenColumns(), r.broken, r.broken_total,
               QStringLiteral("broken files"), l);
  }
  h += QStringLiteral("</section>\n");
  return h;
}

// What moving the spare copies aside would do, and the command that does it.
QString MovePart(const CorpusReport& r, const QLocale& l) {
  QString h;
  h += QStringLiteral(
           "<h3>Moving the spare copies aside</h3><p>This command moves %1 into a "
           "folder named <code>moved</code> beside each, never overwriting a file; "
           "<code>sorvel-cli restore --yes FOLDER</code> brings them back. Without "
           "<code>--yes</code> "
           "it only lists what it would move.</p><pre id=\"move-command\">%2</pre>")
           .arg(CountOf(r.moves_total, QStringLiteral("spare copy"), QStringLiteral("spare copies"),
                        l),
                HtmlEscaped(r.move_command));
  if (r.moves_refused == 1)
    h += QStringLiteral(
        "<p class=\"cut\">1 spare copy would stay where it is: it is reached through a symbolic "
        "link.</p>");
  else if (r.moves_refused > 1)
    h += QStringLiteral(
             "<p class=\"cut\">%1 spare copies would stay where they are: they are reached "
             "through a symbolic link.</p>")
             .arg(Num(r.moves_refused, l));
  h += Table("moves", MoveColumns(), r.moves, r.moves_total, QStringLiteral("moves"), l);
  return h;
}

// Duplicate names, and near-duplicate groups with the move that clears them.
QString DuplicatesSection(const CorpusReport& r, const QLocale& l) {
  QString h;
  h += QStringLiteral(
      "<section id=\"duplicates\"><h2>Duplicates</h2><h3>Files of the same name</h3>");
  if (r.name_groups.empty()) {
    h += QStringLiteral("<p>No two files share a name.</p>");
  } else {
    h += QStringLiteral(
             "<p>%1 by more than one file; %2 (%3 of the corpus) carry them. Names "
             "are compared without regard to case.</p>")
             .arg(CountOf(r.name_groups_total, QStringLiteral("name is used"),
                          QStringLiteral("names are used"), l),
                  CountOf(r.name_duplicate_files, QStringLiteral("file"), QStringLiteral("files"),
                          l),
                  Pct(Share(r.name_duplicate_files, r.files), l));
    h += Table("name-groups", NameGroupColumns(), r.name_groups, r.name_groups_total,
               QStringLiteral("groups"), l);
  }
  h += QStringLiteral("<h3>Near duplicates</h3>");
  if (r.near_groups.empty()) {
    h += QStringLiteral("<p>No text has the same or nearly the same contents as another.</p>");
  } else {
    h +=
        QStringLiteral(
            "<p>%1 of texts with the same or nearly the same words: %2, of which %3 "
            "(%4 of the files, %5, %6 of the corpus's bytes). The first file of each "
            "group is kept; the word differences are counted against it.</p>")
            .arg(
                CountOf(r.near_groups_total, QStringLiteral("group"), QStringLiteral("groups"), l),
                CountOf(r.near_duplicate_files, QStringLiteral("file"), QStringLiteral("files"), l),
                CountOf(r.spare_copies, QStringLiteral("is a spare copy"),
                        QStringLiteral("are spare copies"), l),
                Pct(Share(r.spare_copies, r.files), l), Bytes(r.spare_bytes, l),
                Pct(Share(r.spare_bytes, r.bytes), l));
    h += GroupedTable("near-groups", NearDuplicateColumns(), r.near_groups, r.near_groups_total,
                      QStringLiteral("groups"), l);
    h += MovePart(r, l);
  }
  h += QStringLiteral("</section>\n");
  return h;
}

// The most repeated sentences.
QString BoilerplateSection(const CorpusReport& r, const QLocale& l) {
  QString h;
  h += QStringLiteral("<section id=\"boilerplate\"><h2>Boilerplate</h2>");
  if (r.chunks.empty()) {
    h += QStringLiteral("<p>No sentence recurs across the texts.</p>");
  } else {
    h += QStringLiteral(
             "<p>%1 more than once; all their repeats together make up %2 of the "
             "corpus's text, and those of the %3 listed here %4.</p>")
             .arg(CountOf(r.chunks_total, QStringLiteral("sentence occurs"),
                          QStringLiteral("sentences occur"), l),
                  Pct(std::min(1.0, Share(r.chunk_characters, r.text_characters)), l),
                  Num(static_cast<std::int64_t>(r.chunks.size()), l),
                  Pct(std::min(1.0, Share(r.top_chunk_characters, r.text_characters)), l));
    // The paragraph above says how many of all the sentences are listed.
    h += Table("chunks", ChunkColumns(), r.chunks, static_cast<std::int64_t>(r.chunks.size()),
               QString(), l);
  }
  h += QStringLiteral("</section>\n");
  return h;
}

// The histogram of sizes, the time line, the encodings and the folders with findings.
QString PicturesSection(const CorpusReport& r, const QLocale& l) {
  QString h;
  h += QStringLiteral(
      "<section id=\"pictures\"><h2>Pictures</h2><h3>Text sizes</h3>"
      "<p class=\"muted\">Files by size in bytes, on a logarithmic scale: each bar holds the files "
      "from its size up to twice that size.</p>");
  {
    // From the smallest size that occurs to the largest, one bin at least.
    std::size_t first = r.size_bins.size(), last = 0;
    for (std::size_t k = 0; k < r.size_bins.size(); ++k)
      if (r.size_bins[k] > 0) {
        first = std::min(first, k);
        last = k;
      }
    std::vector<std::int64_t> values;
    std::vector<QString> labels;
    for (std::size_t k = first; k <= last && k < r.size_bins.size(); ++k) {
      values.push_back(r.size_bins[k]);
      labels.push_back(BinLabel(k));
    }
    // None when no file was read: an empty folder, or a run stopped before.
    if (values.empty())
      h += QStringLiteral("<p class=\"muted\">No files.</p>");
    else
      h += ColumnChart(QStringLiteral("chart-sizes"), QStringLiteral("Text sizes"), values, labels,
                       QStringLiteral("#3b6fb6"), l);
  }
  h += QStringLiteral(
      "<h3>Texts per month</h3><p class=\"muted\">Files by the month of their date stamp: what "
      "sub-corpora by month would hold.</p>");
  if (r.months.empty()) {
    h += QStringLiteral("<p class=\"muted\">No dated files.</p>");
  } else {
    std::vector<std::int64_t> values;
    std::vector<QString> labels;
    const bool by_year = r.months.size() > 36;
    for (const ReportCount& m : r.months) {
      values.push_back(m.count);
      const QString year = m.name.left(4), month = m.name.mid(5);
      labels.push_back(
          by_year ? (month == QStringLiteral("01") || &m == &r.months.front() ? year : QString())
                  : year + QLatin1Char('-') + month);
    }
    h += ColumnChart(QStringLiteral("chart-months"), QStringLiteral("Texts per month"), values,
                     labels, QStringLiteral("#4f9e5b"), l);
  }
  h += QStringLiteral("<h3>Encodings</h3>") + EncodingsBar(r, l);
  h += QStringLiteral("<h3>Where the broken files and duplicates lie</h3>") + FolderChart(r, l);
  h += QStringLiteral("</section>\n");
  return h;
}

// The folders and files that could not be read.
QString ProblemsSection(const CorpusReport& r, const QLocale& l) {
  QString h;
  h += QStringLiteral("<section id=\"problems\"><h2>Problems</h2>");
  if (r.problems.empty()) {
    h += QStringLiteral("<p>Every folder and file could be read.</p>");
  } else {
    const std::size_t shown = std::min<std::size_t>(r.problems.size(), 500);
    h += Table("problem-list", ProblemColumns(), std::span(r.problems).first(shown),
               static_cast<std::int64_t>(r.problems.size()), QStringLiteral("problems"), l);
  }
  h += QStringLiteral("</section>\n");
  return h;
}

}  // namespace

QString ReportRunSummary(const CorpusReport& r) {
  if (r.stopped) return StoppedSummary(r.texts_read, r.files);
  if (r.files == 0) return CheckedSummary(0, QStringLiteral("the folder holds no files"));
  QStringList found;
  auto add = [&](std::int64_t n, const QString& one, const QString& many) {
    if (n > 0) found << CountOf(n, one, many);
  };
  add(r.broken_total, QStringLiteral("broken"), QStringLiteral("broken"));
  add(r.spare_copies, QStringLiteral("spare near-duplicate copy"),
      QStringLiteral("spare near-duplicate copies"));
  add(r.name_duplicate_files, QStringLiteral("file with a shared name"),
      QStringLiteral("files with shared names"));
  add(r.chunks_total, QStringLiteral("repeated sentence"), QStringLiteral("repeated sentences"));
  add(r.unreadable_files, QStringLiteral("unreadable"), QStringLiteral("unreadable"));
  return CheckedSummary(r.files, found.isEmpty() ? QStringLiteral("nothing to worry about")
                                                 : found.join(QStringLiteral(", ")));
}

QByteArray CorpusReportHtml(const CorpusReport& r, const QLocale& l) {
  QString h;
  h.reserve(1 << 20);
  h += PageHead(r, l);
  h += SummarySection(r, l);
  h += BrokenSection(r, l);
  h += DuplicatesSection(r, l);
  h += BoilerplateSection(r, l);
  h += PicturesSection(r, l);
  h += ProblemsSection(r, l);
  h += QStringLiteral("</main></body></html>\n");
  return h.toUtf8();
}

namespace {

// The verdict lines, in the C locale.
QJsonArray VerdictsJson(const CorpusReport& r) {
  const QLocale c = QLocale::c();
  QJsonArray verdicts;
  for (const ReportVerdict& v : ReportVerdicts(r, c))
    verdicts.append(QJsonObject{{QStringLiteral("check"), v.check},
                                {QStringLiteral("ok"), v.ok},
                                {QStringLiteral("text"), v.text}});
  return verdicts;
}

// The groups of near duplicates listed, members in order.
QJsonArray NearGroupsJson(const CorpusReport& r) {
  QJsonArray groups;
  for (const auto& g : r.near_groups) groups.append(JsonRows(NearDuplicateColumns(), g));
  return groups;
}

// The size histogram: each bin with its bounds in bytes.
QJsonArray SizesJson(const CorpusReport& r) {
  QJsonArray sizes;
  for (std::size_t k = 0; k < r.size_bins.size(); ++k) {
    const double from = k == 0 ? 0 : std::ldexp(1.0, static_cast<int>(k) - 1);
    const double to = k == 0 ? 0 : std::ldexp(1.0, static_cast<int>(k)) - 1;
    sizes.append(QJsonObject{{QStringLiteral("from"), from},
                             {QStringLiteral("to"), to},
                             {QStringLiteral("files"), static_cast<double>(r.size_bins[k])}});
  }
  return sizes;
}

}  // namespace

QJsonObject CorpusReportJson(const CorpusReport& r) {
  auto num = [](std::int64_t v) { return static_cast<double>(v); };
  return QJsonObject{
      {QStringLiteral("folder"), DisplayName(r.folder)},
      {QStringLiteral("generated"), r.generated},
      {QStringLiteral("seconds"), std::round(r.seconds * 1000) / 1000},
      {QStringLiteral("stopped"), r.stopped},
      {QStringLiteral("options"), QJsonArray::fromStringList(r.options)},
      {QStringLiteral("verdicts"), VerdictsJson(r)},
      {QStringLiteral("summary"),
       QJsonObject{{QStringLiteral("files"), num(r.files)},
                   {QStringLiteral("folders"), num(r.folders)},
                   {QStringLiteral("bytes"), num(r.bytes)},
                   {QStringLiteral("characters"), num(r.text_characters)},
                   {QStringLiteral("empty_files"), num(r.empty_files)},
                   {QStringLiteral("unreadable_files"), num(r.unreadable_files)},
                   {QStringLiteral("encodings"), JsonRows(EncodingColumns(), r.encodings)}}},
      {QStringLiteral("broken"),
       QJsonObject{
           {QStringLiteral("total"), num(r.broken_total)},
           {QStringLiteral("size_test"), num(r.size_failures)},
           {QStringLiteral("digraph_test"), num(r.digraph_failures)},
           {QStringLiteral("digraph_reference"),
            r.digraph_reference_from_corpus ? QStringLiteral("corpus") : DisplayName(r.reference)},
           {QStringLiteral("digraph_compared"), num(r.digraph_tested)},
           {QStringLiteral("digraph_threshold"), Rounded(r.digraph_threshold)},
           {QStringLiteral("digraph_median"), Rounded(r.digraph_median)},
           {QStringLiteral("digraph_mad"), Rounded(r.digraph_mad)},
           {QStringLiteral("files"), JsonRows(BrokenColumns(), r.broken)}}},
      {QStringLiteral("duplicate_names"),
       QJsonObject{{QStringLiteral("groups_total"), num(r.name_groups_total)},
                   {QStringLiteral("files"), num(r.name_duplicate_files)},
                   {QStringLiteral("groups"), JsonRows(NameGroupColumns(), r.name_groups)}}},
      {QStringLiteral("near_duplicates"),
       QJsonObject{{QStringLiteral("groups_total"), num(r.near_groups_total)},
                   {QStringLiteral("files"), num(r.near_duplicate_files)},
                   {QStringLiteral("spare_copies"), num(r.spare_copies)},
                   {QStringLiteral("spare_bytes"), num(r.spare_bytes)},
                   {QStringLiteral("share_of_files"), Rounded(Share(r.spare_copies, r.files))},
                   {QStringLiteral("share_of_bytes"), Rounded(Share(r.spare_bytes, r.bytes))},
                   {QStringLiteral("groups"), NearGroupsJson(r)},
                   {QStringLiteral("moves_total"), num(r.moves_total)},
                   {QStringLiteral("moves_refused"), num(r.moves_refused)},
                   {QStringLiteral("moves"), JsonRows(MoveColumns(), r.moves)},
                   {QStringLiteral("command"), r.move_command}}},
      {QStringLiteral("boilerplate"),
       QJsonObject{{QStringLiteral("chunks_total"), num(r.chunks_total)},
                   {QStringLiteral("characters"), num(r.chunk_characters)},
                   {QStringLiteral("share_of_text"),
                    Rounded(std::min(1.0, Share(r.chunk_characters, r.text_characters)))},
                   {QStringLiteral("top_share_of_text"),
                    Rounded(std::min(1.0, Share(r.top_chunk_characters, r.text_characters)))},
                   {QStringLiteral("chunks"), JsonRows(ChunkColumns(), r.chunks)}}},
      {QStringLiteral("pictures"),
       QJsonObject{{QStringLiteral("sizes"), SizesJson(r)},
                   {QStringLiteral("months"), JsonRows(MonthColumns(), r.months)},
                   {QStringLiteral("folders"), JsonRows(FolderColumns(), r.by_folder)},
                   {QStringLiteral("folders_with_findings"), num(r.folders_with_findings)}}},
      {QStringLiteral("problems"), JsonRows(ProblemColumns(), r.problems)},
  };
}
