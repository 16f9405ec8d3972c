# Puts the tools section that sorvel-cli prints from its own option list into
# the manual page's source. Run with -DSOURCE=... -DTOOLS=... -DOUTPUT=...
# -DVERSION=... (cmake -P).
file(READ "${SOURCE}" page)
file(READ "${TOOLS}" tools)
string(REPLACE "@SORVEL_CLI_TOOLS@\n" "${tools}" page "${page}")
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
