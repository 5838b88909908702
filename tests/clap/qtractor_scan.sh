#!/bin/sh
# Qtractor's plug-in scanner, as Qtractor runs it on every library it finds: it reads "CLAP:<path>" and
# answers one line per plug-in,
#   CLAP|<name>|<audio in>:<audio out>|<MIDI in>:<MIDI out>|<parameters>:<outputs>|<flags>|<path>|<index>|<id>
# where the flags name GUI for an editor and EXT for a saved state.
# Usage: qtractor_scan.sh LIBRARY
set -eu
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
library=$1
answer=$(echo "CLAP:$library" | QT_QPA_PLATFORM=offscreen "$scanner")
echo "$answer"
[ "$(echo "$answer" | wc -l)" -eq 1 ] || { echo "expected one plug-in"; exit 1; }
expected="CLAP|TMX-1|2:2|0:0|10:0|"
case "$answer" in
    "$expected"*"|$library|0|"*) ;;
    *) echo "expected a line beginning $expected and naming $library as plug-in 0"; exit 1 ;;
esac
flags=$(echo "$answer" | cut -d'|' -f6)
case ",$flags," in
    *,EXT,*) ;;
    *) echo "the scanner sees no saved state (flags $flags)"; exit 1 ;;
esac
case ",$flags," in
    *,GUI,*) ;;
    *) echo "the scanner sees no editor (flags $flags)"; exit 1 ;;
esac
