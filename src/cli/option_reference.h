#pragma once
// Documents made from the command line's own option list, so that they never
// fall behind the tools and their options: bash completion and the tools
// section of the manual page. The build asks sorvel-cli for them.

#include <CLI/CLI.hpp>
#include <string>

// The completion script: tool names first; then, for the tool on the line,
// its options, and for an option's value or an input, the words it accepts
// (its allowed values), files, folders, or nothing (numbers, free text).
std::string BashCompletionScript(const CLI::App& app);

// The TOOLS section of the manual page, in roff: each tool with its inputs
// and its options, their values, defaults and descriptions.
std::string ManualPageTools(const CLI::App& app);

// Prints the document that a build-time request asks for ("--bash-completion"
// or "--manual-page-tools") and returns true; false for anything else.
bool PrintOptionReference(const std::string& request, const CLI::App& app);
