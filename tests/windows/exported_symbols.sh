#!/bin/sh
# The DLL must export exactly its two entries (what it imports is system_imports_only.sh's matter).
set -eu
exports=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\t\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "$exports" != "VSTPluginMain main " ]; then
    echo "unexpected exports: $exports"
    exit 1
fi
echo "exports: $exports"
