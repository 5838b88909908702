#!/usr/bin/env bash
# The bundle's Turtle against the LV2 vocabularies and schemas that lv2-dev installs: sord_validate
# reports every property used outside its domain or range, every wrong literal and unknown class.
# Only those bundles: other plug-ins' bundles in /usr/lib/lv2 are no reference, and their own errors
# are not ours.
set -euo pipefail
bundle=$1
mapfile -t vocabularies < <(dpkg-query -L lv2-dev | grep '^/usr/lib/lv2/.*\.ttl$')
if [ ${#vocabularies[@]} -eq 0 ]; then
    echo "lv2-dev installed no LV2 vocabulary Turtle"
    exit 1
fi
shopt -s nullglob
ours=("$bundle"/*.ttl)
if [ ${#ours[@]} -eq 0 ]; then
    echo "no Turtle in $bundle"
    exit 1
fi
report=$(sord_validate "${vocabularies[@]}" "${ours[@]}" 2>&1) || { echo "$report"; exit 1; }
echo "$report"
grep -q "^Found 0 errors" <<<"$report"
