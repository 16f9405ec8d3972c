#pragma once
// The suite's message table: texts reached by an LX... key. Callers format
// them with Format() and the arguments their Part names.

#include <QString>

// The text for key, or the key itself in brackets when the table lacks it
// (so a missing text shows up at once instead of silently vanishing).
QString LX(const char* key);
bool HasLX(const char* key);

// The tool's display name for a tool number of the suite (13 is this program,
// 16 the controller).
QString Tool_Name(int tool);
constexpr int kSorvelToolNumber = 13;
constexpr int kControllerToolNumber = 16;
