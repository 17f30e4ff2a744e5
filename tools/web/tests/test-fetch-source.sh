#!/usr/bin/env bash
# fetch-source.sh against a stand-in archive (fake apt-get, apt-cache and apt-helper on PATH):
# which Debian source it takes when the exact one is served, when only later revisions are, and
# when only the upstream tarball can be had.
set -uo pipefail

script=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/fetch-source.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

check() { # NAME CONDITION-RESULT(0 = pass) [DETAILS]
  if [ "$2" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $1${3:+: $3}"
  fi
}

# The archive: one "SOURCE VERSION full|broken" line per source it lists. A broken one is listed
# but its Debian part cannot be downloaded.
mkdir -p "$tmp/bin"
cat >"$tmp/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
request=${*: -1}
src=${request%%=*} version=${request#*=}
upstream=${version#*:}
upstream=${upstream%-*}
state=$(awk -v s="$src" -v v="$version" '$1 == s && $2 == v { print $3 }' "$FAKE_ARCHIVE")
if [[ " $* " == *" --print-uris "* ]]; then
  [ -n "$state" ] || exit 100
  echo "Need to get 1 kB of source archives."
  echo "'http://archive.example/${src}_$upstream.orig.tar.gz.asc' ${src}_$upstream.orig.tar.gz.asc 10 SHA256:aaaa"
  echo "'http://archive.example/${src}_$upstream.orig.tar.gz' ${src}_$upstream.orig.tar.gz 100 SHA256:bbbb"
  echo "'http://archive.example/${src}_$version.diff.gz' ${src}_$version.diff.gz 20 SHA256:cccc"
  exit 0
fi
if [ "$state" = full ]; then
  mkdir -p "$src-$upstream" && touch "$src-$upstream/debian-$version"
  exit 0
fi
echo "E: Failed to fetch http://archive.example/${src}_$version.diff.gz  404  Not Found" >&2
exit 100
EOF
cat >"$tmp/bin/apt-cache" <<'EOF'
#!/usr/bin/env bash
awk -v s="$2" '$1 == s { printf "Package: %s\nVersion: %s\n\n", $1, $2 }' "$FAKE_ARCHIVE"
EOF
cat >"$tmp/bin/apt-helper" <<'EOF'
#!/usr/bin/env bash
echo "$*" >>"$FAKE_HELPER_CALLS"
name=$(basename "$3" | sed 's/_\(.*\)\.orig\.tar\.gz$/-\1/')
mkdir -p "$FAKE_HELPER_CALLS.d/$name" && touch "$FAKE_HELPER_CALLS.d/$name/upstream-only"
tar -czf "$3" -C "$FAKE_HELPER_CALLS.d" "$name"
EOF
chmod +x "$tmp/bin"/*
export PATH="$tmp/bin:$PATH" FAKE_ARCHIVE="$tmp/archive" FAKE_HELPER_CALLS="$tmp/helper-calls"
export VELDO_APT_HELPER="$tmp/bin/apt-helper"

fetch() { # SRC VERSION: runs in a fresh folder $tmp/out, output in $said, messages in $warned
  rm -rf "$tmp/out" "$tmp/helper-calls"* && mkdir "$tmp/out"
  said=$(cd "$tmp/out" && bash "$script" "$1" "$2" "$tmp/log" 2>"$tmp/stderr")
  status=$?
  warned=$(cat "$tmp/stderr")
}

yes_if() { "$@" && echo 0 || echo 1; }

# The exact version served: taken, and nothing is said about it.
printf 'zlib 1:1.2.13.dfsg-1 full\nzlib 1:1.2.13.dfsg-1+deb12u1 full\n' >"$tmp/archive"
fetch zlib 1:1.2.13.dfsg-1
check "an exact version is fetched" "$(yes_if [ $status -eq 0 ])" "$warned"
check "and reported as it is" "$(yes_if [ "$said" = "zlib 1:1.2.13.dfsg-1" ])" "$said"
check "the exact revision, not a later one" \
  "$(yes_if [ -e "$tmp/out/zlib-1.2.13.dfsg/debian-1:1.2.13.dfsg-1" ])"
check "without a warning" "$(yes_if [ -z "$warned" ])" "$warned"

# The installed revision gone: the newest served revision of the same upstream release that can
# be fetched, whatever order the archive lists them in; never another upstream release.
for order in forward reverse; do
  versions=("1.6.39-2+deb12u6 broken" "1.6.39-2+deb12u5 full" "1.6.39-2+deb12u3 full"
    "1.6.40-1 full" "1.6.39-1 full")
  for line in "${versions[@]}"; do echo "libpng1.6 $line"; done >"$tmp/archive"
  [ $order = reverse ] && tac "$tmp/archive" >"$tmp/archive.r" && mv "$tmp/archive.r" "$tmp/archive"
  fetch libpng1.6 1.6.39-2+deb12u4
  check "$order: a later revision is fetched" "$(yes_if [ $status -eq 0 ])" "$warned"
  check "$order: the newest of the same release that can be fetched" \
    "$(yes_if [ "$said" = "libpng1.6 1.6.39-2+deb12u5 (installed: 1.6.39-2+deb12u4)" ])" "$said"
  check "$order: its files are the ones unpacked" \
    "$(yes_if [ -e "$tmp/out/libpng1.6-1.6.39/debian-1.6.39-2+deb12u5" ])"
  check "$order: with a warning" "$(grep -q "not served any more" <<<"$warned"; echo $?)"
done

# Only the upstream tarball of pixman 0.42.2-1: fetched with its checksum and unpacked.
printf 'pixman 0.42.2-1 broken\n' >"$tmp/archive"
fetch pixman 0.42.2-1
check "pixman's upstream tarball is fetched" "$(yes_if [ $status -eq 0 ])" "$warned"
check "and reported as such" "$(yes_if [ "$said" = "pixman 0.42.2-1 (upstream tarball only)" ])" \
  "$said"
check "the tarball itself (not its signature) with its checksum" \
  "$(yes_if [ "$(cat "$tmp/helper-calls")" = "download-file http://archive.example/pixman_0.42.2.orig.tar.gz pixman_0.42.2.orig.tar.gz SHA256:bbbb" ])" \
  "$(cat "$tmp/helper-calls" 2>/dev/null)"
check "unpacked" "$(yes_if [ -e "$tmp/out/pixman-0.42.2/upstream-only" ])"
check "with a warning" "$(grep -q "upstream tarball only" <<<"$warned"; echo $?)"

# No upstream-only fallback for another revision, nor for another package.
printf 'pixman 0.42.2-2 broken\ncairo 1.16.0-7 broken\n' >"$tmp/archive"
for request in "pixman 0.42.2-2" "cairo 1.16.0-7"; do
  read -r src version <<<"$request"
  fetch "$src" "$version"
  check "$request without its Debian part fails" "$(yes_if [ $status -ne 0 ])" "$said"
  check "$request: nothing downloaded by hand" "$(yes_if [ ! -e "$tmp/helper-calls" ])"
  check "$request: says what is missing" \
    "$(grep -q "cannot fetch the source of $request" <<<"$warned"; echo $?)" "$warned"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
