#!/usr/bin/env bash
# The menu entry, the AppStream data and the manual page pass their validators.
set -uo pipefail
dist=${1:?source directory}/dist
for tool in desktop-file-validate appstreamcli man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/deps.sh test installs it)"
    exit 77
  fi
done
status=0
desktop-file-validate "$dist/org.tarvello.Tarvello.desktop" || status=1
appstreamcli validate --no-net "$dist/org.tarvello.Tarvello.metainfo.xml" || status=1
# man prints what it finds wrong on stderr; any of it fails the check.
problems=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dist/tarvello.1" 2>&1 >/dev/null)
[ -z "$problems" ] || { echo "$problems"; status=1; }
[ $status -eq 0 ] && echo "desktop entry, AppStream data and manual page are valid"
exit $status
