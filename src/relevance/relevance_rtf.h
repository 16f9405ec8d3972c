#pragma once
// Saving a run of listed texts as RTF samples: which entries, in which
// order, with which heading. The saving of one text (highlighting its terms
// and writing the RTF) is the caller's: the desktop program lets its viewer
// do it, the command-line tool writes the file directly.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "relevance/file_filtering.h"
#include "runtime/input_choices.h"

// Saves one text with the given heading; true when a file was written (a
// text without any term is not saved).
using RtfSaveOne =
    std::function<bool(int result_index, const QString& file, const QString& heading)>;

// Walks entries start_num .. start_num + sample_size - 1 of results, stopping
// at the end of the list, skipping files that no longer exist, and saves each
// with its numbered score heading. Returns the number saved.
int SaveRtfSampleRun(const RelevanceResults& results, const RtfSampleChoice& choice,
                     const RtfSaveOne& save, const StopFlag* stop = nullptr);

// The positive terms of a filter list (negative terms are never highlighted).
std::vector<SearchTerm> PositiveTerms(const RelevanceFilterList& filters);

// Saves one text as RTF in folder (created when missing) under its own name
// with ".rtf": the heading, a summary of the terms found ("term (hits)",
// most hits first, joined by commas, in angle brackets) and the text with
// every hit of terms highlighted, as the viewer saves it. Hits inside markup
// and before a "</HEADER>" line are left out. A text without any hit is not
// saved (false). An existing RTF file is replaced only when the user agrees.
bool SaveTextAsHighlightedRtf(const QString& file, const std::vector<SearchTerm>& terms,
                              const QString& folder, const QString& heading,
                              QString* problem = nullptr);

// The RTF sample of the command-line tool: SaveRtfSampleRun with the above.
int SaveRelevanceRtfSample(const RelevanceResults& results, const RelevanceFilterList& filters,
                           const RtfSampleChoice& choice,
                           std::vector<FileProblem>* problems = nullptr);
