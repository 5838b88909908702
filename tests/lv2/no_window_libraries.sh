#!/usr/bin/env bash
# The LV2 DSP library must load in a headless host that has no window system or font libraries:
# it may need none of them.
set -euo pipefail
library=$1
needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || { echo "no NEEDED entries read from $library" >&2; exit 1; }
if echo "$needed" | grep -E '^lib(X11|Xext|Xtst|freetype|fontconfig|png|cairo)[.-]'; then
    echo "$library needs the libraries above" >&2
    exit 1
fi
echo "$library needs only: $(echo $needed)"
