#!/usr/bin/env bash
# Stored records are reached through the table layer (include/bwps/table.h):
# direct record-manager calls (Btr...) belong to platform/recman and the
# table layer itself. This check counts them everywhere else and fails when
# a file has more than scripts/raw_calls.txt allows (a new file with raw
# calls, or more calls in a listed one). When a file loses raw calls, lower
# its line (or remove it) with:  scripts/check_raw_calls.sh --write
set -euo pipefail
cd "$(dirname "$0")/.."
baseline=scripts/raw_calls.txt
count() {
  git ls-files '*.cpp' '*.h' |
    grep -vE '^(platform/recman/|include/bwps/table\.h$|tests/|bench/)' |
    while read -r f; do
      n=$(grep -oE '\bBtr[A-Z][A-Za-z]*[[:space:]]*\(' "$f" | wc -l || true)
      if [ "$n" -gt 0 ]; then echo "$n $f"; fi
    done
}
if [ "${1:-}" = "--write" ]; then
  { echo "# Raw record-manager calls allowed per file (count path); only ever lowered."; count; } >"$baseline"
  exit 0
fi
now=$(mktemp); trap 'rm -f "$now"' EXIT
count >"$now"
status=0
while read -r n f; do
  allowed=$(awk -v f="$f" '$2 == f { print $1 }' "$baseline")
  if [ -z "$allowed" ]; then
    echo "raw record-manager calls: $f has $n; reach its records through bwps::Table"; status=1
  elif [ "$n" -gt "$allowed" ]; then
    echo "raw record-manager calls: $f has $n, at most $allowed allowed; reach its records through bwps::Table"; status=1
  fi
done <"$now"
total=$(awk '{ s += $1 } END { print s + 0 }' "$now")
echo "raw record-manager calls outside the table layer: $total"
exit $status
