#!/bin/sh
# A plug-in library must export exactly its entries: anything else may clash with another plug-in's
# symbols inside the host process.
# Usage: exported_symbols.sh LIBRARY [SYMBOL...]   (the VST library's VSTPluginMain and main by default)
set -eu
library=$1
shift
[ $# -gt 0 ] || set -- VSTPluginMain main
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
exported=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort | tr '\n' ' ')
if [ "$exported" != "$expected" ]; then
    echo "unexpected exported symbols: $exported (expected $expected)"
    exit 1
fi
echo "exports: $exported"
