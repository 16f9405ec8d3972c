#pragma once
// The fuzz targets: each takes one input of arbitrary bytes, runs it through
// a reader of files that users hand to the program, and aborts (through
// FuzzCheck) when a property of the result does not hold. libFuzzer drives
// them in the fuzz build; the ordinary test suite replays the inputs kept
// under tests/fuzz/regressions/ through the same functions.

#include <QString>
#include <cstddef>
#include <cstdint>

int FuzzTextReader(const std::uint8_t* data, std::size_t size);
int FuzzFilterList(const std::uint8_t* data, std::size_t size);
int FuzzSettingsFile(const std::uint8_t* data, std::size_t size);
int FuzzListFile(const std::uint8_t* data, std::size_t size);

// Writes bytes to a file of the given name in this process's scratch folder
// (created on first use) and returns its path.
QString WriteFuzzScratchFile(const QString& name, const char* data, std::size_t size);

// The name of the input being run, printed when a check fails (replays).
void SetFuzzInputName(const QString& name);

// Aborts with the message when ok is false, so that the fuzzer keeps the
// input and a replay test fails.
void FuzzCheck(bool ok, const char* what);
