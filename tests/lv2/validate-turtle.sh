#!/usr/bin/env bash
# The bundle's Turtle against the LV2 specifications and schemas in /usr/lib/lv2: sord_validate
# reports every property used outside its domain or range, every wrong literal and unknown class.
set -euo pipefail
bundle=$1
report=$(sord_validate /usr/lib/lv2/*.lv2/*.ttl "$bundle"/*.ttl 2>&1) || { echo "$report"; exit 1; }
echo "$report"
grep -q "^Found 0 errors" <<<"$report"
