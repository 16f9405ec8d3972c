#include "relevance/relevance_rtf.h"

#include <QFileInfo>

int SaveRtfSampleRun(const TStringListWith2IntsAndSingle& results, const TSampleRTFrec& choice,
                     const RtfSaveOne& save, const StopFlag* stop) {
  int saved = 0;
  for (int k = 0; k < choice.sample_size; ++k) {
    const int i = choice.start_num + k;
    if (i < 0 || i >= results.Count()) break;
    MyYieldProcess();
    if (StopRequested() || (stop && stop->Requested())) break;
    const QString& file = results.String(i);
    if (!QFileInfo(file).isFile()) continue;
    if (save(i, file, RtfSampleHeading(i, results.GetOne(i)))) ++saved;
  }
  return saved;
}
