#!/bin/sh
# The plug-in must export exactly its two entries: anything else may clash with another plug-in's
# symbols inside the host process.
set -eu
exported=$(nm -D --defined-only "$1" | awk '{print $NF}' | sort | tr '\n' ' ')
if [ "$exported" != "VSTPluginMain main " ]; then
    echo "unexpected exported symbols: $exported"
    exit 1
fi
echo "exports: $exported"
