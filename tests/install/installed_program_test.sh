#!/usr/bin/env bash
# Sorvel as a user gets it: installed by its install rules into a staging
# folder (DESTDIR), checked for everything an installed Linux program brings,
# and used from there: sorvel-cli on the demo corpus, its manual page and
# completion, and the desktop program started with help opened and a crash
# report written to the user's state folder.
#
# Usage: installed_program_test.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
build=$1 source=$2 version=$3
stage=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$stage"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >"$stage/install.log" 2>&1; then
  cat "$stage/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
fi
usr=$stage/root/usr
cli=$usr/bin/sorvel-cli

# --- everything is there ---
for f in bin/sorvel bin/sorvel-cli \
  share/sorvel/help/index.html share/sorvel/help/style.css share/sorvel/help/topic-6020.html \
  share/applications/org.sorvel.Sorvel.desktop share/metainfo/org.sorvel.Sorvel.metainfo.xml \
  share/icons/hicolor/scalable/apps/org.sorvel.Sorvel.svg \
  share/man/man1/sorvel.1.gz share/man/man1/sorvel-cli.1.gz \
  share/bash-completion/completions/sorvel-cli \
  share/doc/sorvel/copyright share/doc/sorvel/changelog.gz; do
  [[ -f $usr/$f ]] || fail "not installed: $f"
done
bin_files=$(ls "$usr/bin" | tr '\n' ' ')
[[ $bin_files == "sorvel sorvel-cli " ]] || fail "bin/ holds more than the two programs: $bin_files"
desktop-file-validate "$usr/share/applications/org.sorvel.Sorvel.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/org.sorvel.Sorvel.metainfo.xml" >"$stage/as.log" 2>&1 ||
  { cat "$stage/as.log" >&2; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$usr/share/metainfo/org.sorvel.Sorvel.metainfo.xml" ||
  fail "metainfo does not list release $version"

# --- sorvel-cli: version, the demo corpus ---
[[ $("$cli" --version) == "sorvel-cli $version" ]] || fail "sorvel-cli --version says: $("$cli" --version)"
bash "$source/demo/make-demo-corpus.sh" "$stage/corpus" >/dev/null
"$cli" corruption --json --digraph --good "$stage/corpus/good/english.txt" --subfolders "$stage/corpus/data" \
  >"$stage/corruption.json"
rc=$?
[[ $rc == 0 ]] || fail "installed sorvel-cli corruption exited with $rc"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if isinstance(d, dict) and d else 1)' \
  "$stage/corruption.json" || fail "installed sorvel-cli corruption printed no JSON object"

# --- the tools and their options, as the program itself lists them ---
tools=$("$cli" --help | awk '/^Subcommands:/ {on = 1; next} on && NF {print $1}')
[[ -n $tools ]] || fail "sorvel-cli --help lists no tools"
options_of() { "$cli" "$1" --help | awk '$1 ~ /^-/ {print $1}' | tr ',' '\n' | grep -- '^--' | sort -u; }

# --- manual pages: render cleanly; sorvel-cli's lists every tool and option ---
for page in sorvel sorvel-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "man $page: $warnings"
done
man_text=$(MANWIDTH=200 man -l "$usr/share/man/man1/sorvel-cli.1.gz" 2>/dev/null | col -b)
for section in "EXIT STATUS" ENVIRONMENT FILES SORVEL_SETTINGS; do
  grep -q -- "$section" <<<"$man_text" || fail "man sorvel-cli has no $section"
done
for tool in $tools; do
  grep -qE "^ +$tool \[options\]" <<<"$man_text" || fail "man sorvel-cli does not list the tool $tool"
  for opt in $(options_of "$tool"); do
    grep -q -- "$opt" <<<"$man_text" || fail "man sorvel-cli does not list $tool $opt"
  done
done

# --- bash completion: every tool, every option of every tool, value kinds ---
complete_line() {
  # Completes the last word of the given line with the installed script.
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
           _sorvel_cli; printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$usr/share/bash-completion/completions/sorvel-cli" "$@"
}
[[ $(complete_line sorvel-cli "" | grep -v '^-' | tr '\n' ' ') == "$(sort <<<"$tools" | tr '\n' ' ')" ]] ||
  fail "completion of the tool names: $(complete_line sorvel-cli "" | tr '\n' ' ')"
for tool in $tools; do
  expected=$(options_of "$tool")
  got=$(complete_line sorvel-cli "$tool" "-" | grep -- '^--')
  [[ $got == "$expected" ]] || fail "completion of $tool options: got [$(echo $got)] want [$(echo $expected)]"
done
mkdir -p "$stage/cwd/sub-folder" && touch "$stage/cwd/a-file.txt"
cd "$stage/cwd"
[[ $(complete_line sorvel-cli corruption --good "") == *a-file.txt* ]] || fail "completion: --good takes a file"
got=$(complete_line sorvel-cli dupcontents --json "")
[[ $got == "sub-folder" ]] || fail "completion: dupcontents FOLDER takes folders only, got [$got]"
[[ $(complete_line sorvel-cli dupcontents --keep "n" | tr '\n' ' ') == "newest " ]] ||
  fail "completion: dupcontents --keep takes its values"
[[ -z $(complete_line sorvel-cli corruption --threads "") ]] || fail "completion: --threads takes a number"
cd "$stage"

# --- the desktop program ---
# A user's session: no settings, an empty home, no display of its own; help
# is opened by a stand-in for xdg-open that records what it was given.
export HOME=$stage/home XDG_STATE_HOME=$stage/home/state XDG_CONFIG_HOME=$stage/home/config
export XDG_DATA_DIRS=$stage/none SORVEL_SETTINGS=$stage/home/sorvel.ini
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$HOME" "$stage/fakebin"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/opened"\n' "$stage" >"$stage/fakebin/xdg-open"
chmod +x "$stage/fakebin/xdg-open"

# Offscreen for a few seconds: it starts, stays up, and a fatal signal leaves
# a crash report with named frames in the user's state folder.
QT_QPA_PLATFORM=offscreen "$usr/bin/sorvel" >"$stage/sorvel.out" 2>&1 &
pid=$!
pids+=("$pid")
sleep 4
if kill -0 "$pid" 2>/dev/null; then
  kill -SEGV "$pid"
  wait "$pid" 2>/dev/null
  reports=("$XDG_STATE_HOME"/sorvel/*.elf)
  if [[ -f ${reports[0]} ]]; then
    grep -q SIGSEGV "${reports[0]}" || fail "crash report does not name the signal"
    # The program's own frames are named, even in a stripped program.
    grep -qE '^# *[0-9]+ main( |$)' "${reports[0]}" ||
      fail "crash report does not name the program's frames: $(head -c 3000 "${reports[0]}")"
    grep -q "saved as ${reports[0]}" "$stage/sorvel.out" || fail "sorvel does not say where the report went"
  else
    fail "no crash report in $XDG_STATE_HOME/sorvel: $(cat "$stage/sorvel.out")"
  fi
else
  fail "installed sorvel did not stay up offscreen: $(cat "$stage/sorvel.out")"
fi
[[ $(ls "$usr/bin" | tr '\n' ' ') == "sorvel sorvel-cli " ]] || fail "sorvel wrote beside the program"

# On a display: F1 opens the page's topic from the installed help folder.
PATH=$stage/fakebin:$PATH QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" & app=$!
  for i in $(seq 1 40); do
    win=$(xdotool search --onlyvisible --class sorvel 2>/dev/null | head -n 1)
    [[ -n $win ]] && break
    sleep 0.5
  done
  if [[ -n $win ]]; then
    sleep 1
    xdotool windowfocus --sync "$win" key F1
    for i in $(seq 1 20); do [[ -s $2/opened ]] && break; sleep 0.5; done
  fi
  kill $app; wait $app 2>/dev/null; true' _ "$usr/bin/sorvel" "$stage" >"$stage/xvfb.log" 2>&1
opened=$(cat "$stage/opened" 2>/dev/null)
[[ $opened == "file://$usr/share/sorvel/help/topic-6020.html" ]] ||
  fail "F1 opened [$opened], not the installed help topic; $(tail -5 "$stage/xvfb.log")"
[[ -f ${opened#file://} ]] || fail "the help topic opened is not there"

if ((failures > 0)); then
  echo "installed program: $failures checks failed" >&2
  exit 1
fi
echo "installed program: all checks passed"
