#pragma once
// The three strings handed to the text viewer when a text is opened.

#include <QString>

struct ViewerFileDetails {
  QString full_path;
  QString info1;  // first information text (shown in the viewer's status bar)
  QString info2;  // second information text
};
