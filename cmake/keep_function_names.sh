#!/bin/sh
# Strips an installed program, keeping a compressed table of its function
# names in the .gnu_debugdata section, where the crash reporter's debug-info
# reader finds them: crash reports from a stripped program still name their
# frames. Usage: keep_function_names.sh PROGRAM
set -eu
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Function symbols that the dynamic symbol table does not already carry.
nm -D "$program" --format=posix --defined-only | awk '{ print $1 }' | sort -u >"$work/dynamic"
nm "$program" --format=posix --defined-only | awk '$2 == "T" || $2 == "t" { print $1 }' | sort -u >"$work/functions"
comm -13 "$work/dynamic" "$work/functions" >"$work/keep"
objcopy --only-keep-debug "$program" "$work/debug"
objcopy --strip-debug --remove-section .gdb_index --remove-section .comment \
  --keep-symbols="$work/keep" "$work/debug" "$work/names"
xz -9 "$work/names"
strip --strip-all --remove-section .comment "$program"
objcopy --add-section .gnu_debugdata="$work/names.xz" "$program"
