#!/bin/sh
# A DLL must export exactly its entries (what it imports is system_imports_only.sh's matter).
# Usage: exported_symbols.sh DLL [SYMBOL...]   (the VST DLL's VSTPluginMain and main by default)
set -eu
dll=$1
shift
[ $# -gt 0 ] || set -- VSTPluginMain main
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
exports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\t\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "$exports" != "$expected" ]; then
    echo "unexpected exports: $exports (expected $expected)"
    exit 1
fi
echo "exports: $exports"
