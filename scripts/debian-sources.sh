# The part the dependency builds share (sourced by scripts/build-windows-deps.sh and
# scripts/build-web-deps.sh): Debian's source packages of the libraries fetched into a cache that
# every clone of the machine shares, and a prefix that is built once per key.
#
# The caller sets `cache` (the cache folder), `what` (the libraries, for messages), `packages`
# (Debian source package names) and defines `say` and `toolchain_manifest` (lines naming its
# compiler and whatever else its build depends on). Sourcing this file then either prints the
# cached prefix and exits, or leaves the sources checked in $cache/src and a work directory open,
# with `logged`, `unpack` and, at the end of the build, `publish_prefix`.
#
# Each prefix is named by a key: a digest of the source packages' versions (with their .dsc
# digests), the caller's toolchain lines, the caller's build steps (its part from "the build" on)
# and this file, so a change to any of them builds a new prefix beside the old one. A prefix is
# installed under a temporary directory and renamed into place only when complete: an interrupted
# build never leaves an entry that looks finished. A lock lets one build run at a time; a second
# caller waits and then finds the entry made.
#
# The sources come through apt-get with an apt configuration of the cache's own (its own
# sources.list with a deb-src line for this machine's Debian suite, its own lists and cache): the
# machine's apt setup is never touched. The versions are read from that index, which is kept in
# the cache and refreshed when a week old (PUCKWIND_DEPS_REFRESH=1: now). A refresh that fails
# (no network) keeps the old index, so a warm machine makes its cached build offline. The index
# is what decides the versions, rather than the machine's installed -dev packages, because it is
# where the sources come from: a key taken from the installed packages could name a version the
# mirror no longer serves.

mkdir -p "$cache/apt/lists/partial" "$cache/apt/cache/archives/partial" "$cache/src"
exec 9>"$cache/.lock"
if ! flock -n 9; then
  say "waiting for another build of $what on this machine"
  flock 9
fi

# --- the index and the versions ---------------------------------------------------------------
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=${PUCKWIND_DEBIAN_MIRROR:-http://deb.debian.org/debian}
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
  >"$cache/apt/sources.list.new"
# A new suite or mirror makes the old index worthless.
if ! cmp -s "$cache/apt/sources.list.new" "$cache/apt/sources.list"; then
  rm -f "$cache/apt/updated"
fi
mv "$cache/apt/sources.list.new" "$cache/apt/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$cache/apt/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
          -o "Dir::State=$cache/apt" -o "Dir::State::Lists=$cache/apt/lists"
          -o "Dir::Cache=$cache/apt/cache" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=$(id -un)")

if [ -n "${PUCKWIND_DEPS_REFRESH:-}" ] || [ ! -e "$cache/apt/updated" ] ||
   [ -n "$(find "$cache/apt/updated" -mmin +$((7 * 24 * 60)))" ]; then
  say "reading the Debian source index ($suite)"
  if apt-get "${apt_opts[@]}" -qq --error-on=any update >&2; then
    touch "$cache/apt/updated"
  elif [ -e "$cache/apt/updated" ]; then
    say "the index could not be refreshed; the one of $(date -r "$cache/apt/updated" +%F) is used"
  else
    say "no Debian source index: the first build needs the network"
    exit 1
  fi
fi

# uris NAME: the files of the source package NAME that apt would fetch, "file sha256" a line.
uris() {
  apt-get "${apt_opts[@]}" -qq source --print-uris "$1" |
    awk -v q="'" '$1 ~ "^" q && $4 ~ /^SHA256:/ {print $2, substr($4, 8)}'
}
manifest=""
for p in "${packages[@]}"; do
  files=$(uris "$p") || true
  dsc=$(awk '/\.dsc /{print $1 " " $2}' <<<"$files")
  [ -n "$dsc" ] || { say "the index names no source package $p"; exit 1; }
  manifest+="source $dsc"$'\n'
done
manifest+="$(toolchain_manifest)"$'\n'
# How the libraries are built: the caller's part from "the build" on and this file (the part
# before it only finds the sources, whose versions and digests are in the key already).
manifest+="script $(sed -n '/^# --- the build/,$p' "$0" | sha256sum | cut -d' ' -f1)"$'\n'
manifest+="library $(sha256sum <"${BASH_SOURCE[0]}" | cut -d' ' -f1)"$'\n'
key=$(sha256sum <<<"$manifest" | cut -c1-16)
prefix=$cache/$key

# Every use marks its entry; entries that no build has asked for in a month go.
[ ! -e "$prefix/puckwind-deps.txt" ] || touch "$prefix"
find "$cache" -mindepth 1 -maxdepth 1 -type d -regextype posix-extended -regex '.*/[0-9a-f]{16}' \
  -mtime +30 -exec rm -rf {} +
if [ -e "$prefix/puckwind-deps.txt" ]; then
  say "cached in $prefix"
  echo "$prefix"
  exit 0
fi

# --- the sources, kept in the cache for every key ---------------------------------------------
# have NAME: whether every file of NAME that matters is here with the index's digest (Debian's
# packaging part may be missing: some mirrors lack it, and a cross build needs only upstream's).
have() {
  local file sum
  while read -r file sum; do
    case $file in *.debian.tar.* | *.asc) continue ;; esac
    [ -f "$cache/src/$file" ] && [ "$(sha256sum <"$cache/src/$file" | cut -d' ' -f1)" = "$sum" ] ||
      return 1
  done < <(uris "$1")
}
for p in "${packages[@]}"; do
  if ! have "$p"; then
    say "fetching the Debian source of $p"
    (cd "$cache/src" && apt-get "${apt_opts[@]}" -qq source --download-only "$p" 2>&1 |
       grep -v '^Skipping already downloaded' >&2) || true
    have "$p" || { say "could not fetch the Debian source package $p"; exit 1; }
  fi
done

# --- the work directory; the caller installs under $dest$prefix ------------------------------
work=$cache/.work-$key
dest=$work/dest
stage=$dest$prefix
rm -rf "$cache"/.work-*  # what an interrupted build left
mkdir -p "$stage"
say "building into $prefix (logs in $work)"

# logged STEP COMMAND...: runs COMMAND with its output in STEP.log; on failure shows its end.
logged() {
  local step=$1
  shift
  if ! "$@" >>"$work/$step.log" 2>&1; then
    say "$step failed; the end of $work/$step.log:"
    tail -n 30 "$work/$step.log" >&2
    exit 1
  fi
}

# unpack NAME: the source tree of package NAME (its files' digests were checked by have).
unpack() {
  local dsc orig dir=$work/src/$1
  dsc=$(uris "$1" | awk '/\.dsc /{print $1}')
  orig=$(uris "$1" | awk '$1 ~ /\.orig\.tar\./ && $1 !~ /\.orig-/ {print $1}')
  mkdir -p "$work/src"
  if ! dpkg-source --no-check -x "$cache/src/$dsc" "$dir" >/dev/null 2>&1; then
    say "$1: Debian's packaging part is missing; building upstream's tarball"
    rm -rf "$dir" && mkdir -p "$dir"
    tar -xf "$cache/src/$orig" -C "$dir" --strip-components=1
  fi
  echo "$dir"
}

# publish_prefix: the staged prefix checked, renamed into place and printed.
publish_prefix() {
  # Installed files must name the final place, never the staging directory.
  if grep -rlF "$dest" "$stage" >&2; then
    say "the files above name the staging directory $dest"
    exit 1
  fi
  printf '%s' "$manifest" >"$stage/puckwind-deps.txt"
  mv -T "$stage" "$prefix"
  rm -rf "$work"
  say "ready in $prefix"
  echo "$prefix"
}
