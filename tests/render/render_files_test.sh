#!/usr/bin/env bash
# A render never harms a file: the two outputs must differ, special files are
# written into (device nodes this test makes itself, never the system's), a
# failed write says why and leaves neither output, a killed run's working
# folder goes at the next run. And it trusts only the user's own data folder
# and files, as the window does. Parts that need root (mknod, chown to a
# second uid) are skipped with the reason when not root.
set -uo pipefail
bin=$1
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$TMPDIR" "$XDG_DATA_HOME/aurelith"
unset DISPLAY WAYLAND_DISPLAY
fail=0
bad() { echo "FAIL: $*"; fail=1; }
skip() { echo "SKIP: $*"; }
root=0; [[ $(id -u) -eq 0 ]] && root=1
render() { # status wanted, then options; stderr in $work/err
  local want=$1; shift
  timeout 120 "$bin" --minutes 0.02 --left 200 --right 210 "$@" >"$work/out" 2>"$work/err"; local got=$?
  [[ $got -eq $want ]] || bad "status $got, wanted $want: $* ($(cat "$work/err"))"
}
said() { grep -q -- "$1" "$work/err" || bad "no '$1' in: $(cat "$work/err")"; }
absent() { for f; do [[ -e $f || -L $f ]] && bad "$f was written"; done; }

# The light track that goes with the sound, from plain files, to compare with.
o=$work/o; mkdir "$o"
render 0 --render "$o/ref.wav" --light-track "$o/ref.csv"
[[ -s $o/ref.csv ]] || bad "no light track"

# The bytes stay those the render has always made: a scan and its light
# track, as written before the render was taken apart (sine tones only: a
# mask's noise comes from FFTW, whose rounding may follow the processor).
golden=$(dirname "$0")/../golden/render
render 0 --render "$o/scan.wav" --left 200 --right 204 --scan up --scan-time 1000 --limit 207 \
  --light-track "$o/scan.csv" --minutes 0.05
cmp -s "$o/scan.csv" "$golden/scan.csv" || bad "the light track differs from $golden/scan.csv"
[[ $(sha256sum <"$o/scan.wav" | cut -d' ' -f1) == "$(cat "$golden/scan.wav.sha256")" ]] ||
  bad "the sound differs from the one recorded in $golden/scan.wav.sha256"

# The same file twice, by its name or through a link: refused before anything is written.
echo keep >"$o/kept.wav"
ln -s kept.wav "$o/alias.csv"
render 2 --render "$o/new.wav" --light-track "$o/new.wav"
said "is the sound file itself"
absent "$o/new.wav"
render 2 --render "$o/kept.wav" --light-track "$o/alias.csv"
[[ $(cat "$o/kept.wav") == keep ]] || bad "the light track's link replaced the sound file"

# A light track that cannot be written: neither output appears.
mkdir "$o/folder.csv"
render 2 --render "$o/lone.wav" --light-track "$o/folder.csv"
absent "$o/lone.wav"

# A FIFO and one's own standard output are written into and stay what they were.
mkfifo "$o/fifo" "$o/fifo.wav"
timeout 30 cat "$o/fifo" >"$o/from-fifo" &
timeout 30 cat "$o/fifo.wav" >"$o/from-fifo.wav" &
render 0 --render "$o/fifo.wav" --light-track "$o/fifo"
wait
[[ -p $o/fifo && -p $o/fifo.wav ]] || bad "a FIFO was replaced"
cmp -s "$o/from-fifo" "$o/ref.csv" || bad "the FIFO got another light track"
cmp -s "$o/from-fifo.wav" "$o/ref.wav" || bad "the FIFO got another sound file (its WAV header states the length)"
ln -s /proc/self/fd/1 "$o/stdout.csv"
render 0 --render "$o/s.wav" --light-track "$o/stdout.csv"
[[ -L $o/stdout.csv ]] || bad "the link to standard output was replaced"
cmp -s "$work/out" "$o/ref.csv" || bad "standard output got another light track"
cmp -s "$o/s.wav" "$o/ref.wav" || bad "a special light track changed the sound"
leftovers=$(find "$o" -name '.*part*')
[[ -z $leftovers ]] || bad "part files left: $leftovers"

# Device nodes of our own: null takes everything, full fails with the system's reason.
d=$work/dev
if ((root)) && mkdir -m 755 "$d" && mknod "$d/null" c 1 3 && mknod "$d/null.wav" c 1 3 && mknod "$d/full" c 1 7 &&
  mknod "$d/full.wav" c 1 7 && chmod 666 "$d"/* && echo probe >"$d/null" 2>/dev/null; then
  render 0 --render "$d/null.wav" --light-track "$d/null"
  render 2 --render "$o/x.wav" --light-track "$d/full"
  said "No space left on device"
  absent "$o/x.wav"
  render 2 --render "$d/full.wav"
  said "No space left on device"
  for node in null null.wav full full.wav; do [[ -c $d/$node ]] || bad "$node is no longer a device"; done
  [[ -z $(ls -A "$d" | grep -v -x -e null -e null.wav -e full -e full.wav) ]] || bad "left in the device folder: $(ls -A "$d")"
  # An ordinary user cannot make files beside /dev/null, and needs not.
  mkdir -m 777 "$work/user"
  # The other user runs a copy: the build folder may be closed to it (a 0700 checkout).
  cp "$bin" "$work/aurelith-copy" && chmod 755 "$work/aurelith-copy"
  if setpriv --reuid=12345 --regid=12345 --clear-groups env HOME="$work/user" XDG_DATA_HOME="$work/user" \
    XDG_RUNTIME_DIR="$work/user" TMPDIR="$work/user" timeout 120 "$work/aurelith-copy" --render "$work/user/u.wav" --minutes 0.01 \
    --light-track "$d/null" 2>"$work/err"; then
    [[ -c $d/null ]] || bad "a user replaced the null device"
  else
    bad "a user cannot write a light track into a null device: $(cat "$work/err")"
  fi
else
  skip "device nodes: needs root and a file system that allows them (mknod)"
fi

# A run killed outright leaves its working folder; the next run removes it.
"$bin" --render "$work/tmp-k.ogg" --minutes 60 --mask 1 2>/dev/null &
killed=$!
sleep 1.5
kill -KILL $killed
wait $killed 2>/dev/null
[[ -n $(ls -A "$TMPDIR") ]] || skip "SIGKILL: the killed run had not made its working folder yet"
touch -d '1 minute ago' "$TMPDIR"/*
render 0 --render "$o/after-kill.wav"
[[ -z $(ls -A "$TMPDIR") ]] || bad "a killed run's working folder is still there: $(ls -A "$TMPDIR")"
[[ -z $(find "$work" -maxdepth 1 -name '*tmp-k*') ]] || bad "the killed run left its output"

# Trust: a folder of another user is refused; another user's files (or a
# link of theirs, or a file others may write) are set aside.
if ((root)); then
  folder=$XDG_DATA_HOME/aurelith
  render 0 --render "$o/first-run.wav"
  printf '1\r\n' >"$folder/fctl" # saved by an earlier run: no first-run defaults
  printf '0,5000,0,135\r\n' >"$folder/vols"
  render 0 --render "$o/own.wav"
  cmp -s "$o/own.wav" "$o/first-run.wav" && bad "the user's own saved levels were not used"
  chown 12345 "$folder"
  render 2 --render "$o/foreign-folder.wav"
  said "another user"
  absent "$o/foreign-folder.wav"
  chown 0 "$folder"
  mv "$folder/vols" "$work/vols"
  for plant in owner mode link; do
    rm -f "$folder/vols"
    case $plant in
      owner) cp "$work/vols" "$folder/vols" && chown 12345 "$folder/vols" ;;
      mode) cp "$work/vols" "$folder/vols" && chmod 666 "$folder/vols" ;;
      link) ln -s "$work/vols" "$folder/vols" && chown -h 12345 "$folder/vols" ;;
    esac
    render 0 --render "$o/planted-$plant.wav"
    said "vols"
    cmp -s "$o/planted-$plant.wav" "$o/first-run.wav" || bad "a planted vols ($plant) was used"
  done
  # A planted mask 1 is set aside: the built-in pink noise plays, as with none.
  rm -f "$folder/vols"
  render 0 --render "$o/no-mask.wav" --mask 1
  cp "$o/own.wav" "$folder/pink_inv.wav" && chown 12345 "$folder/pink_inv.wav"
  render 0 --render "$o/planted-mask.wav" --mask 1
  said "pink_inv.wav"
  cmp -s "$o/planted-mask.wav" "$o/no-mask.wav" || bad "a planted mask 1 was played"
else
  skip "trust: needs root to give files to a second uid (chown 12345)"
fi
exit $fail
