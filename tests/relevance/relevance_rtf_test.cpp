#include "relevance/relevance_rtf.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "runtime/dialogs.h"
#include "runtime/search_list.h"
#include "support/test_support.h"

namespace {

// Hits in the header block and inside markup do not count.
const char kText[] =
    "<HEADER>alpha in the header</HEADER>\n"
    "Gamma rays, alpha and alpha particles.\n"
    "<alpha id=1>A gamma, a gamma, a GAMMA.</alpha>\n"
    "alphabet is no alpha; gamma ends it.\n";

std::vector<SearchTerm> Terms(std::initializer_list<const char*> typed) {
  std::vector<SearchTerm> terms;
  for (const char* t : typed) terms.push_back(PlainSearchTerm(QString::fromLatin1(t)));
  return terms;
}

}  // namespace

TEST(HighlightedRtf, SummaryHeadingAndConsentToOverwrite) {
  TempTree tree;
  ScriptedDialogs dialogs;
  SetDialogInterface(&dialogs);
  const QString file = tree.WriteText("texts/report.v2.txt", QString::fromUtf8(kText));
  const QString folder = tree.Path("rtf/new/deeper");
  const auto terms = Terms({"alpha", "beta", "gamma"});
  QString problem;
  EXPECT_TRUE(
      SaveTextAsHighlightedRtf(file, terms, folder, QStringLiteral("Score 12.50"), &problem));
  EXPECT_TRUE(problem.isEmpty());
  const QString saved = folder + QStringLiteral("/report.v2.rtf");
  const QByteArray rtf = ReadAll(saved);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
  EXPECT_TRUE(rtf.contains("Score 12.50"));
  // Most hits first; a term without hits is not named.
  EXPECT_TRUE(rtf.contains("<gamma (5),alpha (3)>")) << rtf.toStdString();
  EXPECT_TRUE(dialogs.Shown().empty());

  // Saving again over the file needs consent; declined, the file stays.
  dialogs.QueueAnswer(mrCancel);
  EXPECT_FALSE(SaveTextAsHighlightedRtf(file, terms, folder, QStringLiteral("Other heading")));
  EXPECT_EQ(ReadAll(saved), rtf);
  EXPECT_EQ(dialogs.ShownNames(), QStringList{"OKToDoX"});

  // A text without any hit is not saved.
  const QString none = tree.WriteText("none.txt", "delta epsilon\n");
  const QString empty_out = tree.Path("empty-out");
  EXPECT_FALSE(SaveTextAsHighlightedRtf(none, Terms({"alpha"}), empty_out, QStringLiteral("h")));
  EXPECT_TRUE(QDir(empty_out).entryList(QDir::Files).isEmpty());
  SetDialogInterface(nullptr);
}
