#!/bin/sh
# The DLL must export exactly its two entries, and need no runtime DLL of the compiler: a Windows
# DAW loads it as it is.
set -eu
exports=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\t\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "$exports" != "VSTPluginMain main " ]; then
    echo "unexpected exports: $exports"
    exit 1
fi
imports=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
case "$imports" in
    *libstdc++*|*libgcc*|*libwinpthread*) echo "needs a compiler runtime DLL: $imports"; exit 1 ;;
esac
echo "exports: $exports; imports: $imports"
