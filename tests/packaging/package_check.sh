#!/usr/bin/env bash
# The packages CPack made in BUILD_DIR, reviewed: lintian finds no error or warning in the .deb
# and no hardening tag (informational) on its programs, each manual page renders without a
# warning, the notices name every library the programs load and the tar.gz carries them beside
# LICENSE, README and the GPL. Usage: package_check.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$1"
root=$(mktemp -d) status=0
trap 'rm -rf "$root"' EXIT
dpkg-deb -x puckwind_*_amd64.deb "$root"
lint=0  # 1: a tag at warning or above; any other status: lintian itself failed
report=$(lintian -I --fail-on error,warning puckwind_*_amd64.deb 2>&1) || lint=$?
[ $lint = 0 ] || { echo "lintian, status $lint: $report" >&2; status=1; }
# The programs are built as a distribution builds them (dpkg-buildflags): fortified, bound now.
grep ': hardening-' <<<"$report" >&2 &&
  { echo "lintian: the programs are not hardened (above)" >&2; status=1; }
for page in "$root"/usr/share/man/man6/*; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings" >&2; status=1; }
done
"$here/notices.sh" "$root/usr/share/doc/puckwind/copyright" "$root"/usr/games/* || status=1
for f in copyright LICENSE README.md GPL-3; do
  tar -tzf puckwind-*-Linux.tar.gz | grep -q "/share/doc/puckwind/$f$" ||
    { echo "tar.gz: no $f" >&2; status=1; }
done
exit $status
