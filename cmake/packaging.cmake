# The Debian package, made by CPack from the install rules: tools/package.sh
# configures a RelWithDebInfo build and runs `cpack -G DEB` on it.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Sorvel developers")
set(CPACK_PACKAGE_CONTACT "The Sorvel developers <sorvel@lexivor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "corpus checker for plain-text corpora")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs are stripped at install time with SORVEL_INSTALL_STRIPPED,
# which keeps their function names for crash reports; CPack leaves them alone.
set(CPACK_STRIP_FILES OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lexivor.example/sorvel/")
# The long description; CPack puts the summary above it as the synopsis line.
set(CPACK_PACKAGE_DESCRIPTION "Sorvel checks a corpus, a folder tree of plain-text files, before it is
analysed, and tells what is wrong with it: files that are not clean text,
files of the same name, near-duplicate texts (moved aside and restorable),
boilerplate sentences repeated across texts, texts relevant to a list of
filter terms, random samples and date-based sub-corpora.
.
This package holds the Qt desktop program, sorvel, and the command-line
tool, sorvel-cli, which runs the same tools in batch.")
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform
# plugins and its SVG image plugin (for the icon) are loaded at run time, so
# they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
