#pragma once
// The Copy action of the result lists: the duplicate-contents list, the
// boilerplate tree and the relevance and sample grids share it.
//
// The text copied depends on the control that has the focus (or the named
// list that contains it). A page may register the text its control gives
// (the duplicate-contents list gives its groups as text); otherwise a grid
// gives its whole text with the headings and a tree a TAB followed by its
// node texts. The text goes on the clipboard; if the user wants, it is also
// saved as a spreadsheet (.xlsx) in the temporary folder, one row per line
// and one cell per TAB-separated piece, and offered for opening.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QAbstractItemModel;
class QAbstractItemView;
class QWidget;

struct CopyAListSource {
  QString text;
  int help_context = 6060;
};

// A control's own copy text; the registration ends with the control.
void SetCopyTextProvider(QWidget* control, std::function<QString()> text, int help_context);

// The text and help context for the control that has the focus.
CopyAListSource CopySourceFor(QWidget* focused);

// The Copy action for the focused control (QApplication::focusWidget() when
// none is given). Returns whether the text reached the clipboard.
bool CopyAList(QWidget* focused = nullptr);
// The same for a given text.
bool CopyTextAsAList(const QString& text, int help_context);

// Every row of a model (a tree's rows depth-first, children after their
// parent), the display texts of its columns joined with TAB, rows joined with
// CR LF; with_headers puts the column headings first.
QString AllTextOfModel(const QAbstractItemModel* model, bool with_headers);
QString AllTextOfRows(const QList<QStringList>& rows);

// Writes the lines as one sheet, cutting each line at every TAB into cells.
// An existing target is first copied to the same name with the extension
// ".bak" (replacing an older copy). Returns whether the target exists after.
bool SaveLinesAsSpreadsheet(const QStringList& lines, const QString& target);
// A new name in the temporary folder ending in ".xlsx".
QString TemporarySpreadsheetName();
// Spreadsheets written to the temporary folder are removed when the program
// ends (or when RemoveTemporarySpreadsheets is called), so that they do not
// pile up there. Returns how many were removed.
void ForgetAtExit(const QString& temporary_file);
int RemoveTemporarySpreadsheets();

// What CopyAList does after the clipboard: asks, saves, offers to open.
// Exposed so that tests can give the answers; returns the file saved or "".
QString OfferCopyAsSpreadsheet(const QString& text, int help_context);
