#!/usr/bin/env bash
# The replay tool's contract: its arguments and exit statuses, what --log, --trace, --png and
# --frames write for small scripts, the script and output checks made before a replay, a
# VELDO.SCR in the working directory left alone, and the same files from the same script.
#   contract_test.sh <dovuvezuvir-replay> <tests/data>
set -uo pipefail
REPLAY=$(realpath "${1:?usage: contract_test.sh <dovuvezuvir-replay> <tests/data>}")
DATA=$(realpath "${2:?usage: contract_test.sh <dovuvezuvir-replay> <tests/data>}")
PNG="python3 $(dirname "$0")/png.py"
USAGE='usage: dovuvezuvir-replay [--png FILE] [--log FILE [--trace]] [--frames DIR [--every N]] [--max-events N] SCRIPT'

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# replay <expected status> <argument>...: runs the tool in $WORK/run (a fresh directory each time)
# with its output in $OUT and $ERR; a status other than the expected one is a failure.
replay() {
  local expected=$1
  shift
  rm -rf "$WORK/run"
  mkdir "$WORK/run"
  OUT=$WORK/out.txt
  ERR=$WORK/err.txt
  (cd "$WORK/run" && "$REPLAY" "$@") >"$OUT" 2>"$ERR"
  STATUS=$?
  if [ "$STATUS" != "$expected" ]; then
    fail "replay $*: exit status $STATUS, not $expected; stderr: $(cat "$ERR")"
    return 1
  fi
}
# The files a run left in its working directory, one name a line.
left_behind() { ls -A "$WORK/run"; }

write() { printf "$2" >"$WORK/$1"; }
write title.scr 'VELDO_PERIODIC(40);\nVELDO_KBD(97);\n'
write play.scr 'VELDO_PERIODIC(2);\nVELDO_MOUSE(0, 0);\nVELDO_PERIODIC(3);\n'
TITLE=$WORK/title.scr
PLAY=$WORK/play.scr

# ---- Bad arguments: status 2 and the usage line, and nothing is run ---------------------------
bad_arguments() {
  replay 2 "$@" || return
  [ "$(tail -n1 "$ERR")" = "$USAGE" ] || fail "replay $*: no usage line on stderr: $(cat "$ERR")"
  (($(wc -l <"$ERR") == 2)) || fail "replay $*: not one reason and the usage line: $(cat "$ERR")"
  [ -z "$(left_behind)" ] || fail "replay $*: left $(left_behind) behind"
}
bad_arguments
bad_arguments --bogus "$TITLE"
bad_arguments --png
bad_arguments "$TITLE" --log
bad_arguments --every 2 "$TITLE"
bad_arguments --frames f --every 0 "$TITLE"
bad_arguments --frames f --every -3 "$TITLE"
bad_arguments --frames f --every 2x "$TITLE"
bad_arguments "$TITLE" "$PLAY"
bad_arguments --png a.png --png b.png "$TITLE"
grep -q -- "--png given twice" "$ERR" || fail "a repeated option is not named: $(cat "$ERR")"
bad_arguments --bogus=1 "$TITLE"
bad_arguments -x "$TITLE"
bad_arguments --trace=yes --log out.log "$TITLE"
bad_arguments --png= "$TITLE"
bad_arguments --trace "$TITLE"
grep -q -- "--trace goes with --log" "$ERR" || fail "--trace without --log: $(cat "$ERR")"
bad_arguments --max-events 0 "$TITLE"
bad_arguments --max-events 1e6 "$TITLE"

# ---- --help and --version: on standard output, status 0, nothing run ---------------------------
replay 0 --help && [ "$(head -n1 "$OUT")" = "$USAGE" ] && [ ! -s "$ERR" ] ||
  fail "--help does not print the usage line first"
for option in --png --log --trace --frames --every --max-events --help --version; do
  grep -q -- "^  $option" "$OUT" || fail "--help does not explain $option"
done
# The version is the build's own, from the project's version in CMakeLists.txt.
version=$(sed -n 's/^project(veldo VERSION \([0-9.]*\) .*/\1/p' "$DATA/../../CMakeLists.txt")
replay 0 --version "$TITLE" && [ "$(cat "$OUT")" = "dovuvezuvir-replay (VELDO) $version" ] &&
  [ -n "$version" ] && [ ! -s "$ERR" ] || fail "--version prints: $(cat "$OUT")"
[ -z "$(left_behind)" ] || fail "--help or --version left $(left_behind) behind"

# ---- --option=VALUE is the same as --option VALUE ------------------------------------------------
replay 0 --png out.png --log out.log --frames frames --every 2 --max-events 9 "$PLAY" &&
  mv "$WORK/run" "$WORK/spaced"
replay 0 --png=out.png --log=out.log --frames=frames --every=2 --max-events=9 "$PLAY"
for file in out.png out.log frames/frame-000001.png frames/frame-000003.png; do
  cmp -s "$WORK/spaced/$file" "$WORK/run/$file" || fail "--option=VALUE wrote another $file"
done

# ---- A script that cannot be read: status 1 with a message, and nothing written ----------------
replay 1 --png out.png --log out.log "$WORK/missing.scr" &&
  grep -q "cannot read the script $WORK/missing.scr: No such file or directory" "$ERR" ||
  fail "a missing script: $(cat "$ERR")"
[ -z "$(left_behind)" ] || fail "a missing script left $(left_behind) behind"
replay 1 "$WORK" && grep -q "Is a directory" "$ERR" || fail "a directory as the script: $(cat "$ERR")"

# ---- An output that cannot be written: status 1, found before the replay runs ------------------
replay 1 --log out.log --png "$WORK/no-such-directory/out.png" "$PLAY" &&
  grep -q "cannot write the picture $WORK/no-such-directory/out.png" "$ERR" ||
  fail "an unwritable --png: $(cat "$ERR")"
replay 1 --log "$WORK/no-such-directory/out.log" "$PLAY" &&
  grep -q "cannot write the log $WORK/no-such-directory/out.log" "$ERR" ||
  fail "an unwritable --log: $(cat "$ERR")"
replay 1 --frames "$TITLE/frames" "$PLAY" &&
  grep -q "cannot write frames in $TITLE/frames" "$ERR" ||
  fail "an unwritable --frames directory: $(cat "$ERR")"
cp "$PLAY" "$WORK/kept.scr"
replay 1 --log "$WORK/kept.scr" "$WORK/kept.scr" && grep -q "it is the script" "$ERR" &&
  cmp -s "$PLAY" "$WORK/kept.scr" || fail "--log naming the script itself: $(cat "$ERR")"

# ---- A file from which no event can be replayed: a warning, and the status of a replay -----------
for text in '' 'not a script\n' 'VELDO_NOTE(1);\nVELDO_KBD(97);\n' 'VELDO_KBD(97);'; do
  printf "$text" >"$WORK/nothing.scr"
  replay 0 --log out.log "$WORK/nothing.scr" &&
    [ "$(cat "$ERR")" = "dovuvezuvir-replay: warning: no event could be replayed from $WORK/nothing.scr" ] ||
    fail "no warning for a file holding \"$text\": $(cat "$ERR")"
done
replay 0 "$TITLE" && [ ! -s "$ERR" ] || fail "a warning for a script with events: $(cat "$ERR")"

# ---- --max-events: a script that asks for more ends there, with status 3 and a message --------
# One line asks for two billion ticks: weeks of work without the limit.
printf 'VELDO_MOUSE(0, 0);\nVELDO_PERIODIC(2147483647);\n' >"$WORK/endless.scr"
replay 3 --max-events 81 --log out.log --png out.png "$WORK/endless.scr" &&
  grep -q "holds more than 81 events" "$ERR" || fail "--max-events 81: $(cat "$ERR")"
# The game stood after the click and 80 ticks: two seconds of play, drawn once more for the quit.
grep -qx 'white text at (-40,231), "Time: 2"' "$WORK/run/out.log" ||
  fail "the cut replay's final frame is not after 80 ticks: $(grep Time "$WORK/run/out.log")"
[ "$($PNG size "$WORK/run/out.png")" = 601x540 ] || fail "the cut replay saved no picture"
# play.scr holds 6 events: a limit of 6 lets it end as it would, one of 5 cuts it.
replay 0 --max-events 6 "$PLAY" && [ ! -s "$ERR" ] || fail "--max-events 6 cut a script of 6"
replay 3 --max-events 5 "$PLAY" || fail "--max-events 5 did not cut a script of 6"

# ---- Outputs never overwrite the script or each other ------------------------------------------
# refused <what the message says> <argument>...: status 1 with that reason, the earlier files in
# $WORK/files unchanged and nothing else written there.
mkdir "$WORK/files"
printf 'earlier log\n' >"$WORK/files/old.log"
cp "$PLAY" "$WORK/files/play.scr"
ln -s old.log "$WORK/files/soft.log"
ln "$WORK/files/old.log" "$WORK/files/hard.log"
ln -s play.scr "$WORK/files/script-link"
mkdir -p "$WORK/files/fr"
cp "$PLAY" "$WORK/files/fr/frame-000001.png"
snapshot() { (cd "$WORK/files" && find . -printf '%p %y %s %T@\n' | sort && cat old.log play.scr); }
before=$(snapshot)
refused() {
  local reason=$1
  shift
  replay 1 "$@" && grep -q -- "$reason" "$ERR" || fail "replay $*: not refused for \"$reason\": $(cat "$ERR")"
  [ "$(snapshot)" = "$before" ] || fail "replay $*: changed the files"
  [ -z "$(left_behind)" ] || fail "replay $*: left $(left_behind) behind"
}
F=$WORK/files
refused "same file as the log" --log "$F/old.log" --png "$F/old.log" "$PLAY"
refused "same file as the log" --log "$F/old.log" --png "$F/soft.log" "$PLAY"
refused "same file as the log" --log "$F/hard.log" --png "$F/old.log" "$PLAY"
refused "same file as the log" --log "$F/new.out" --png "$F/../files/./new.out" "$PLAY"
refused "it is the script" --log "$F/script-link" "$F/play.scr"
refused "it is the script" --png "$F/play.scr" "$F/script-link"
refused "has a frame's name" --frames "$F/fr" "$F/fr/frame-000001.png"
refused "a frame will take its name" --frames "$F/fr/" --png "$F/fr/frame-000002.png" "$PLAY"
refused "a frame will take its name" --frames "$F/fr" --log "$F/fr/frame-1234567.png" "$PLAY"
refused "it is the frame directory" --frames "$F/new-frames" --log "$F/new-frames" "$PLAY"

# ---- Frames replace a link in their place without following it -----------------------------------
mkdir -p "$WORK/links/frames"
printf 'victim\n' >"$WORK/links/victim"
ln -s ../victim "$WORK/links/frames/frame-000002.png"
replay 0 --frames "$WORK/links/frames" "$PLAY"
[ "$(cat "$WORK/links/victim")" = victim ] || fail "a frame was written through a link"
[ -f "$WORK/links/frames/frame-000002.png" ] && [ ! -L "$WORK/links/frames/frame-000002.png" ] &&
  [ "$($PNG size "$WORK/links/frames/frame-000002.png")" = 601x540 ] ||
  fail "the frame did not replace the link"

# ---- An output written over an earlier file keeps that file's permissions -----------------------
printf 'earlier\n' >"$WORK/links/kept.log"
chmod 640 "$WORK/links/kept.log"
replay 0 --log "$WORK/links/kept.log" "$TITLE"
[ "$(stat -c %a "$WORK/links/kept.log")" = 640 ] && grep -q '^EOF encountered' "$WORK/links/kept.log" ||
  fail "the log replaced an earlier one as mode $(stat -c %a "$WORK/links/kept.log")"

# A file its owner made read-only is not replaced. Root may write anything, so root runs the tool
# as nobody here.
as_a_user() {
  if ((EUID == 0)); then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi
}
chmod 755 "$WORK"
mkdir -m 777 "$WORK/shared"
printf 'kept\n' >"$WORK/shared/read-only.log"
chmod 444 "$WORK/shared/read-only.log"
as_a_user "$REPLAY" --log "$WORK/shared/read-only.log" "$TITLE" 2>"$ERR"
status=$?
((status == 1)) && grep -q "read-only.log: Permission denied" "$ERR" &&
  [ "$(cat "$WORK/shared/read-only.log")" = kept ] ||
  fail "a read-only log: status $status, $(cat "$ERR"), now $(cat "$WORK/shared/read-only.log")"

# ---- A failed output leaves no partial file and names the reason ---------------------------------
# A file size limit of 4 KiB stands in for a full disk: the traced log and the picture outgrow it.
mkdir "$WORK/run-full"
printf 'earlier log\n' >"$WORK/run-full/big.log"
(ulimit -f 4 && cd "$WORK/run-full" &&
  "$REPLAY" --trace --log big.log --png out.png "$DATA/golden/swat.scr") 2>"$ERR"
status=$?
((status == 1)) && grep -q "cannot write the log big.log: File too large" "$ERR" &&
  grep -q "cannot write the picture out.png: File too large" "$ERR" ||
  fail "outputs over the size limit: status $status, $(cat "$ERR")"
[ "$(ls -A "$WORK/run-full")" = big.log ] && [ "$(cat "$WORK/run-full/big.log")" = "earlier log" ] ||
  fail "failed outputs left $(ls -A "$WORK/run-full") behind, or changed the earlier log"
mkdir "$WORK/run-full/frames"
(ulimit -f 4 && cd "$WORK/run-full" && "$REPLAY" --frames frames "$PLAY") 2>"$ERR"
status=$?
((status == 1)) && grep -q "cannot write the frame frames/frame-000001.png: File too large" "$ERR" ||
  fail "frames over the size limit: status $status, $(cat "$ERR")"
[ -z "$(ls -A "$WORK/run-full/frames")" ] || fail "failed frames left $(ls -A "$WORK/run-full/frames")"
replay 1 --log /dev/full "$PLAY" &&
  grep -q "cannot write the log /dev/full: No space left on device" "$ERR" ||
  fail "a log on a full device: $(cat "$ERR")"
# A device or a pipe is written in place, not replaced.
(cd "$WORK" && "$REPLAY" --log /dev/stdout "$TITLE" | cat >"$WORK/piped.log")
[ "$(cat "$WORK/piped.log")" = "EOF encountered in script file $TITLE" ] ||
  fail "a log into a pipe: $(cat "$WORK/piped.log")"

# ---- A script or output that is a named pipe never makes the tool wait ---------------------------
mkfifo "$WORK/pipe"
timeout 20 "$REPLAY" "$WORK/pipe" 2>"$ERR"
status=$?
((status == 1)) && grep -q "cannot read the script $WORK/pipe: not a regular file" "$ERR" ||
  fail "a named pipe as the script, nothing at its other end: status $status, $(cat "$ERR")"
exec {held}<>"$WORK/pipe"
timeout 20 "$REPLAY" "$WORK/pipe" 2>"$ERR"
status=$?
exec {held}>&-
((status == 1)) && grep -q "not a regular file" "$ERR" ||
  fail "a named pipe as the script, held open: status $status, $(cat "$ERR")"
timeout 20 "$REPLAY" --log "$WORK/pipe" "$PLAY" 2>"$ERR"
status=$?
((status == 1)) && grep -q "cannot write the log $WORK/pipe: No such device or address" "$ERR" ||
  fail "a named pipe with no reader as the log: status $status, $(cat "$ERR")"
[ -p "$WORK/pipe" ] || fail "the named pipe was replaced"

# ---- Title only: no play frame, the log holds the end-of-script message alone ------------------
replay 0 --log out.log "$TITLE" &&
  [ "$(cat "$WORK/run/out.log")" = "EOF encountered in script file $TITLE" ] ||
  fail "the log of a title-only script: $(cat "$WORK/run/out.log")"

# ---- One click and a few ticks: the end-of-script message, then the final frame ----------------
replay 0 --log out.log --png out.png "$PLAY"
LOG=$WORK/run/out.log
(($(wc -l <"$LOG") == 167)) || fail "the one-click log has $(wc -l <"$LOG") lines, not 1 + 166"
[ "$(sed -n 1p "$LOG")" = "EOF encountered in script file $PLAY" ] ||
  fail "the log does not start with the end of the script: $(head -n1 "$LOG")"
[ "$(sed -n 2p "$LOG")" = "white rectangle with bounding box (-300,226) to (300,-250), filled" ] ||
  fail "the final frame does not start with the field: $(sed -n 2p "$LOG")"
[ "$(tail -n1 "$LOG")" = 'white text at (210,231), "Last: 0"' ] ||
  fail "the final frame does not end with the HUD: $(tail -n1 "$LOG")"
(($(grep -c '^50% gray circle at ' "$LOG") == 4)) || fail "not two flies in the final frame"
grep -qx 'purple rectangle with bounding box (-15,15) to (15,-15) with line width 3' "$LOG" ||
  fail "the swatter does not rest at the origin"
grep -qx 'white text at (-40,231), "Time: 0"' "$LOG" || fail "no time 0 after three ticks"
[ "$($PNG size "$WORK/run/out.png")" = 601x540 ] || fail "the picture is not 601 x 540"
# The top bar between the button and the score, canvas (-150, 247), is black; the field at
# canvas (10, -150) is white.
[ "$($PNG pixel "$WORK/run/out.png" 150 3)" = "#000000" ] || fail "the top bar is not black"
[ "$($PNG pixel "$WORK/run/out.png" 310 400)" = "#FFFFFF" ] || fail "the field is not white"

# ---- --trace: a frame for every event, the end-of-script message before the quit's frame -------
replay 0 --trace --log out.log "$PLAY"
LOG=$WORK/run/out.log
(($(grep -c 'Click the mouse to continue' "$LOG") == 2)) || fail "--trace: not two title frames"
# The click leaves the title loop without a frame; the play loop draws one for each of the three
# ticks and one for the quit.
(($(grep -c '"Score: 0"' "$LOG") == 4)) || fail "--trace: not four play frames"
eof_at=$(grep -n '^EOF encountered' "$LOG" | cut -d: -f1)
score_at=($(grep -n '"Score: 0"' "$LOG" | cut -d: -f1))
((${#score_at[@]} == 4 && score_at[2] < eof_at && eof_at < score_at[3])) ||
  fail "--trace: the end-of-script message is not between the last tick's frame and the quit's"

# ---- --frames: one picture after every event, or after every N-th ------------------------------
# play.scr makes 7 events: 2 title ticks, the click, 3 ticks and the closing quit.
replay 0 --png out.png --frames frames "$PLAY"
frames=$(ls "$WORK/run/frames")
[ "$frames" = "$(printf 'frame-%06d.png\n' 1 2 3 4 5 6 7)" ] || fail "--frames wrote: $frames"
cmp -s "$WORK/run/frames/frame-000007.png" "$WORK/run/out.png" ||
  fail "the last frame is not the final picture"
[ "$($PNG pixel "$WORK/run/frames/frame-000001.png" 245 150)" = "#FF0000" ] ||
  fail "the first frame does not show the title's red disc"
[ "$($PNG pixel "$WORK/run/frames/frame-000002.png" 150 3)" = "#000000" ] ||
  fail "the second frame does not show the title"
replay 0 --frames "$WORK/run/every" --every 3 "$PLAY"
[ "$(ls "$WORK/run/every")" = "$(printf 'frame-%06d.png\n' 1 2)" ] ||
  fail "--every 3 wrote: $(ls "$WORK/run/every")"

# ---- A VELDO.SCR in the working directory is neither created, read nor changed -----------------
replay 0 --log out.log "$TITLE"
[ "$(left_behind)" = out.log ] || fail "the replay left $(left_behind) in its working directory"
mkdir -p "$WORK/cwd"
printf 'VELDO_MOUSE(0, 0);\nVELDO_PERIODIC(500);\n' >"$WORK/cwd/VELDO.SCR"
touch -d '2001-02-03 04:05:06' "$WORK/cwd/VELDO.SCR"
before=$(stat -c '%s %Y' "$WORK/cwd/VELDO.SCR")
(cd "$WORK/cwd" && "$REPLAY" --log "$WORK/cwd.log" title.scr 2>/dev/null)
status=$?
((status == 1)) || fail "a relative script missing from the working directory: status $status"
cp "$TITLE" "$WORK/cwd/title.scr"
(cd "$WORK/cwd" && "$REPLAY" --log "$WORK/cwd.log" title.scr) || fail "replay in cwd failed"
[ "$(cat "$WORK/cwd.log")" = "EOF encountered in script file title.scr" ] ||
  fail "the replay did not play the script it was given: $(cat "$WORK/cwd.log")"
[ "$(stat -c '%s %Y' "$WORK/cwd/VELDO.SCR")" = "$before" ] || fail "VELDO.SCR was changed"

# ---- The same script gives the same files, byte for byte ----------------------------------------
SWAT=$DATA/golden/swat.scr
for run in 1 2; do
  replay 0 --trace --log out.log --png out.png --frames frames --every 5 "$SWAT" || continue
  mv "$WORK/run" "$WORK/same-$run"
done
for file in out.log out.png $(ls "$WORK/same-1/frames" | sed 's|^|frames/|'); do
  cmp -s "$WORK/same-1/$file" "$WORK/same-2/$file" || fail "two replays differ in $file"
done
(($(ls "$WORK/same-1/frames" | wc -l) >= 10)) || fail "too few frames to compare"

if ((failures > 0)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "PASS: the replay tool's contract"
