#pragma once
// The suite's message table: texts reached by an LX... key. Callers format
// them with Format() and the arguments their Part names.

#include <QString>
#include <span>

// The text for key, or the key itself in brackets when the table lacks it
// (so a missing text shows up at once instead of silently vanishing).
QString LX(const char* key);
bool HasLX(const char* key);

// One text of the table: its key and its UTF-8 text.
struct MessageEntry {
  const char* key;
  const char* text;
};
// Every entry of the table, in the order it lists them.
std::span<const MessageEntry> MessageEntries();

// The tool's display name for a tool number of the suite (13 is this program,
// 16 the controller).
QString Tool_Name(int tool);
constexpr int kSorvelToolNumber = 13;
constexpr int kControllerToolNumber = 16;
