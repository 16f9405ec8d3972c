#include "cli/cli_common.h"

// Filled in when the tool's engine lands; until then the tool has no subcommand.
void RegisterCorruptionCommand(CLI::App& /*app*/, CliRun* /*run*/) {}
