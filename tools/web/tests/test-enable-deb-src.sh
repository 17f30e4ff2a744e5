#!/usr/bin/env bash
# enable-deb-src.sh over made-up apt folders: which binary sources get a deb-src twin, that the
# machine's own files stay as they were, and that a second run changes nothing.
set -uo pipefail

script=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/enable-deb-src.sh
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

run() { VELDO_APT_ETC="$tmp/apt" VELDO_OS_RELEASE="$tmp/os-release" bash "$script"; }

mkdir -p "$tmp/apt/sources.list.d"
printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_CODENAME=bookworm\n' \
  >"$tmp/os-release"
cat >"$tmp/apt/sources.list.d/debian.sources" <<'EOF'
Types: deb
URIs: http://deb.example/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

# the security archive
Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

Types: deb deb-src
URIs: http://both.example/debian
Suites: bookworm
Components: main

Types: deb
URIs: http://off.example/debian
Suites: bookworm
Components: main
Enabled: no

Types: deb
URIs: http://other.example/ubuntu
Suites: jammy
Components: main

Types: deb
URIs: http://near.example/debian
Suites: bookwormish
Components: main
EOF
cat >"$tmp/apt/sources.list.d/keyed.sources" <<'EOF'
Types: deb
URIs: http://keyed.example/debian
Suites: bookworm-backports
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGJ...
 -----END PGP PUBLIC KEY BLOCK-----
EOF
cat >"$tmp/apt/sources.list" <<'EOF'
deb http://list.example/debian bookworm main
deb [signed-by=/etc/k.gpg arch=amd64] http://options.example/debian bookworm-updates main non-free
deb http://list.example/debian jammy main
deb http://have.example/debian bookworm main
deb-src http://have.example/debian bookworm main
# deb http://commented.example/debian bookworm main
EOF
machine_files=$(cd "$tmp/apt" && sha256sum sources.list sources.list.d/debian.sources \
  sources.list.d/keyed.sources)

said=$(run)
check "the first run reports a change" "$([ "$said" = changed ] && echo 0 || echo 1)" "$said"

expected_sources='Types: deb-src
URIs: http://deb.example/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

Types: deb-src
URIs: http://keyed.example/debian
Suites: bookworm-backports
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGJ...
 -----END PGP PUBLIC KEY BLOCK-----'
got=$(grep -v '^#' "$tmp/apt/sources.list.d/veldo-deb-src.sources")
check "deb822: this release's enabled binary sources, and only those, get deb-src" \
  "$([ "$got" = "$expected_sources" ] && echo 0 || echo 1)" $'\n'"$got"

expected_list='deb-src [signed-by=/etc/k.gpg arch=amd64] http://options.example/debian bookworm-updates main non-free
deb-src http://list.example/debian bookworm main'
got=$(grep -v '^#' "$tmp/apt/sources.list.d/veldo-deb-src.list")
check "one-line entries: this release's, without those already there" \
  "$([ "$got" = "$expected_list" ] && echo 0 || echo 1)" $'\n'"$got"

check "the machine's own files are untouched" \
  "$(cd "$tmp/apt" && sha256sum -c --quiet <<<"$machine_files" >/dev/null 2>&1; echo $?)"

written=$(cat "$tmp/apt/sources.list.d"/veldo-deb-src.*)
said=$(run)
check "a second run reports nothing" "$([ -z "$said" ] && echo 0 || echo 1)" "$said"
check "a second run leaves the files as they were" \
  "$([ "$(cat "$tmp/apt/sources.list.d"/veldo-deb-src.*)" = "$written" ] && echo 0 || echo 1)"

# The machine's one-line entries go: the twin file must go with them.
rm "$tmp/apt/sources.list"
said=$(run)
check "a source gone is a change" "$([ "$said" = changed ] && echo 0 || echo 1)" "$said"
check "its deb-src twin file is removed" \
  "$([ ! -e "$tmp/apt/sources.list.d/veldo-deb-src.list" ] && echo 0 || echo 1)"
check "the deb822 twins stay" "$([ -s "$tmp/apt/sources.list.d/veldo-deb-src.sources" ] &&
  echo 0 || echo 1)"

# Nothing of this release: a clear failure, not an empty file.
rm "$tmp/apt/sources.list.d"/*.sources
printf 'Types: deb\nURIs: http://other.example/ubuntu\nSuites: jammy\nComponents: main\n' \
  >"$tmp/apt/sources.list.d/other.sources"
message=$(run 2>&1)
status=$?
check "no source of this release fails" "$([ $status -ne 0 ] && echo 0 || echo 1)"
check "and says why" "$(grep -q "no Debian bookworm package source" <<<"$message"; echo $?)" \
  "$message"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
