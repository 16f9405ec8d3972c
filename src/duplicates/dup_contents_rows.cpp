#include "duplicates/dup_contents_rows.h"

#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString WholeNumber(std::int32_t n) {
  return Format(QStringLiteral("%0.n"), {static_cast<double>(n)});
}

const DupContentsMember* MemberOf(const DupContentsSeeker& seeker, int g, int m) {
  const DupContentsGroup group = seeker.dup_contents_top_list.Group(g);
  if (!group.dup_contents_list || m < 0 || m >= group.dup_contents_list->Count()) return nullptr;
  return &group.dup_contents_list->GetAValue(m);
}

}  // namespace

QString DupContentsMemberPrefix() { return QString(4, QChar(0x00B7)) + QLatin1Char(' '); }

QString DupContentsCellText(const DupContentsSeeker& seeker, int g, int m,
                            DupContentsColumn column) {
  const DupContentsMember* member = MemberOf(seeker, g, m);
  if (!member) return QString();
  switch (column) {
    case DupContentsColumn::Name: {
      const QString name = seeker.FullFilename(member->file_index);
      return m > 0 ? DupContentsMemberPrefix() + name : name;
    }
    case DupContentsColumn::Tokens:
      return WholeNumber(member->token_count);
    case DupContentsColumn::TokenDiff:
      return WholeNumber(member->token_diff);
    case DupContentsColumn::TypeDiff:
      return WholeNumber(member->type_diff);
    case DupContentsColumn::Keep:
      return m == seeker.dup_contents_top_list.WhichToKeep(g) ? LX("LXOK") : LX("LXDelete");
  }
  return QString();
}

QString DupContentsHeading(DupContentsColumn column) {
  switch (column) {
    case DupContentsColumn::Name:
      return LX("LXFilenames");
    case DupContentsColumn::Tokens:
      return LX("LXTokens");
    case DupContentsColumn::TokenDiff:
      return LX("LXTokenDifferences");
    case DupContentsColumn::TypeDiff:
      return LX("LXTypeDifferences");
    case DupContentsColumn::Keep:
      return LX("LXKeep");
  }
  return QString();
}

QString DupContentsGroupText(const DupContentsSeeker& seeker, int g) {
  QString out;
  const int n = seeker.dup_contents_top_list.MemberCount(g);
  for (int m = 0; m < n; ++m) {
    if (m > 0) out += kCrLf;
    for (int c = 0; c < kDupContentsColumns - 1; ++c) {
      if (c > 0) out += QLatin1Char('\t');
      out += DupContentsCellText(seeker, g, m, static_cast<DupContentsColumn>(c));
    }
  }
  return out;
}

QString DupContentsAsText(const DupContentsSeeker& seeker) {
  QString out;
  for (int g = 0; g < seeker.dup_contents_top_list.Count(); ++g) {
    if (g > 0) out += kCrLf;
    out += DupContentsGroupText(seeker, g);
  }
  return out;
}

QStringList DupContentsHumanLines(const DupContentsSeeker& seeker) {
  QStringList lines;
  const DupContentsGroups& groups = seeker.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    for (int m = 0; m < groups.MemberCount(g); ++m) {
      QString line = DisplayName(DupContentsCellText(seeker, g, m, DupContentsColumn::Name));
      for (int c = 1; c < kDupContentsColumns; ++c)
        line += QLatin1Char('\t') +
                DupContentsCellText(seeker, g, m, static_cast<DupContentsColumn>(c));
      lines << line;
    }
    lines << QString();
  }
  return lines;
}

void DupContentsRows::Rebuild(const DupContentsSeeker& seeker) {
  rows_.clear();
  first_row_.clear();
  const DupContentsGroups& groups = seeker.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    first_row_.push_back(Count());
    for (int m = 0; m < groups.MemberCount(g); ++m) rows_.push_back({g, m});
  }
}

DupContentsRow DupContentsRows::At(int row) const {
  if (row < 0 || row >= Count()) return {};
  return rows_[static_cast<std::size_t>(row)];
}

int DupContentsRows::FirstRowOfGroup(int g) const {
  if (g < 0 || g >= static_cast<int>(first_row_.size())) return -1;
  return first_row_[static_cast<std::size_t>(g)];
}

bool DupContentsRows::KeepRow(DupContentsSeeker& seeker, int row) const {
  const DupContentsRow r = At(row);
  if (r.group < 0) return false;
  seeker.dup_contents_top_list.SetWhichToKeep(r.group, r.member);
  return true;
}
