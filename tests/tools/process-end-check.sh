#!/usr/bin/env bash
# What the tool leaves behind: the files it writes land whole through no
# name another user could have planted, and its private registry goes
# however the process ends, short of SIGKILL (a killed process's copy goes
# at the next start instead).
#   process-end-check.sh WORK TOOL [EMULATOR...]
set -uo pipefail
work=$1
tool=$2
shift 2
emulator=("$@")
rm -rf "$work"
mkdir -p "$work/tmp"
cd "$work" || exit 1
export ZRADDRRES_REGISTRY=$work/registry TMPDIR=$work/tmp
# A core file per SIGQUIT would only slow the test down.
ulimit -c 0
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# The signals at their default actions whatever the test runner set (a
# background job of a shell without job control ignores SIGINT and SIGQUIT).
z() { env --default-signal "${emulator[@]}" "$tool" "$@"; }

# An export bigger than a pipe holds, so that its reg export blocks on a
# reader that does not read.
{
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n'
  for ((i = 0; i < 3000; i++)); do printf '"Port-%05d-named-long-enough"="10.1.%d.%d"\n' $i $((i / 256)) $((i % 256)); done
} >big.reg
# A site whose ports are configured by address: nothing asks the name service.
ports='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports'
printf 'REGEDIT4\n\n[%s\\Site-Lobby]\n"IPAddress"="10.1.0.5"\n"HostName"=""\n\n[%s\\Site-Dock]\n"IPAddress"="10.1.0.7"\n"HostName"=""\n' \
  "$ports" "$ports" >site.reg

# --- The files it writes ---------------------------------------------------
# A file no one else may read, and links to it where a writer might put its
# side file: the old report's FILE.partial and names as easily guessed.
printf 'secret\n' >victim
chmod 600 victim
planted=(page.html.partial page.html.tmp .page.html.tmp page.html~ out.reg.partial out.reg.tmp)
for name in "${planted[@]}"; do ln -s victim "$name"; done
listing() { ls -A | grep -v -x -e tmp -e registry -e .tool-out -e .tool-err | sort | tr '\n' ' '; }
check_planted() {
  [ "$(cat victim)" = secret ] || fail "$1: the planted links' target was written"
  for name in "${planted[@]}"; do
    [ -L "$name" ] && [ "$(readlink "$name")" = victim ] || fail "$1: the planted link $name was touched"
  done
}
before=$(listing)
z ports --no-progress --html page.html --registry site.reg >.tool-out 2>.tool-err
grep -q '^zraddrres: ports: wrote page.html (2 ports)' .tool-err || fail "ports --html: $(cat .tool-err)"
grep -q 'Site-Lobby' page.html && grep -q '</html>' page.html || fail "ports --html: the page is not whole"
check_planted "ports --html"
z reg export 'HKCU\Software\ZrAddrRes' --output out.reg --registry big.reg >.tool-out 2>.tool-err ||
  fail "reg export --output: $(cat .tool-err)"
[ -s .tool-out ] && fail "reg export --output: it printed the text too"
grep -q '"Port-02999-named-long-enough"="10.1.11.183"' out.reg || fail "reg export --output: the text is not whole"
check_planted "reg export --output"
[ "$(listing)" = "$(echo "$before" | tr ' ' '\n' | grep . | { cat; echo out.reg; echo page.html; } | sort | tr '\n' ' ')" ] ||
  fail "a side file was left behind on success: $(listing)"
# A link standing at the target is replaced, not written through.
ln -s victim linked.html
z ports --no-progress --html linked.html --registry site.reg >.tool-out 2>.tool-err
[ ! -L linked.html ] && grep -q 'Site-Lobby' linked.html || fail "a link at the target was written through"
check_planted "a link at the target"
# A target that cannot be replaced: an error, and nothing left beside it.
mkdir -p taken.html && touch taken.html/keep
before=$(listing)
z ports --no-progress --html taken.html --registry site.reg >.tool-out 2>.tool-err
[ $? -eq 1 ] && grep -q '^zraddrres: ports: cannot write taken.html: ' .tool-err || fail "a folder at the target: $(cat .tool-err)"
z reg export --output taken.html --registry site.reg >.tool-out 2>.tool-err
[ $? -eq 1 ] && grep -q '^zraddrres: reg export: cannot write taken.html: ' .tool-err || fail "reg export onto a folder: $(cat .tool-err)"
[ "$(listing)" = "$before" ] && [ -f taken.html/keep ] || fail "a side file was left behind on failure: $(listing)"
check_planted "a folder at the target"

# --- However the process ends ----------------------------------------------
if [ ${#emulator[@]} -eq 0 ]; then
  leftovers() { ls -A tmp | tr '\n' ' '; }
else
  # Under Wine the copy is volatile keys of this user's hive.
  leftovers() {
    z reg export 'HKCU\Software\ZrAddrRes Exports' >.tool-out 2>.tool-err
    [ $? -eq 1 ] || echo "HKCU\\Software\\ZrAddrRes Exports"
  }
fi
mkfifo pipe
# blocked VAR: starts reg export --registry writing into the pipe, and
# returns once it has written, so its copy is in place; VAR is its pid.
blocked() {
  # Opened afresh (what an earlier run left in it goes), held open and not
  # read after its first byte: a write to it blocks once it is full.
  # Closed first: reopened in one go, the pipe would never be without an
  # opener, and would keep its content.
  exec 3>&-
  exec 3<>pipe
  # exec all the way down, so that the pid is the tool's own.
  (exec env --default-signal "${emulator[@]}" "$tool" reg export --registry big.reg >pipe 2>/dev/null) &
  printf -v "$1" %s $!
  dd bs=1 count=1 status=none <&3 >/dev/null
}

# The reader goes away: SIGPIPE.
z reg export --registry big.reg 2>.tool-err | head -c 10 >/dev/null
status=${PIPESTATUS[0]}
[ -z "$(leftovers)" ] || fail "the copy survives a closed pipe (exit $status): $(leftovers)"

if [ ${#emulator[@]} -eq 0 ]; then
  signals=(INT TERM HUP QUIT)
else
  # Wine turns SIGINT into the console's Ctrl-C event.
  signals=(INT)
fi
for signal in "${signals[@]}"; do
  blocked pid
  kill -s "$signal" "$pid"
  wait "$pid"
  status=$?
  want=$((128 + $(kill -l "$signal")))
  [ $status -eq $want ] || fail "$signal: exit $status, not $want"
  [ -z "$(leftovers)" ] || fail "the copy survives $signal: $(leftovers)"
done

if [ ${#emulator[@]} -eq 0 ]; then
  # SIGKILL cannot be caught: the folder stays, and goes at the next start,
  # but not while its process lives.
  blocked killed
  kill -s KILL "$killed"
  wait "$killed"
  [ -n "$(ls tmp)" ] || fail "SIGKILL: no folder was left to sweep"
  # What is no such folder, or not this user's, stays: another user's folder
  # named as an abandoned one, and a link so named, with what it leads to.
  true &
  dead=$!
  wait $dead
  mkdir -p "tmp/zraddrres-registry.$dead.others" elsewhere && touch "tmp/zraddrres-registry.$dead.others/theirs" elsewhere/kept
  chown -R 65534 "tmp/zraddrres-registry.$dead.others" 2>/dev/null || rm -rf "tmp/zraddrres-registry.$dead.others"
  ln -s "$work/elsewhere" "tmp/zraddrres-registry.$dead.linked"
  blocked live
  ls -A tmp | grep -q "^zraddrres-registry\.$killed\." && fail "a killed process's folder outlives the next start"
  ls -A tmp | grep -q "^zraddrres-registry\.$live\." || fail "a live process's folder was swept, or not made"
  z store list --registry big.reg >/dev/null 2>.tool-err || fail "store list --registry: $(cat .tool-err)"
  ls -A tmp | grep -q "^zraddrres-registry\.$live\." || fail "a live process's folder was swept by the next start"
  [ -L "tmp/zraddrres-registry.$dead.linked" ] && [ -f elsewhere/kept ] || fail "the sweep followed a link"
  if [ -d "tmp/zraddrres-registry.$dead.others" ]; then
    [ -f "tmp/zraddrres-registry.$dead.others/theirs" ] || fail "the sweep took another user's folder"
  fi
  kill -s TERM "$live"
  wait "$live"
  rm -rf "tmp/zraddrres-registry.$dead.others" "tmp/zraddrres-registry.$dead.linked"
  [ -z "$(leftovers)" ] || fail "left behind: $(leftovers)"
else
  # The same for the volatile keys: a killed process's copy goes when the
  # next is made, a live process's stays.
  blocked killed
  kill -s KILL "$killed"
  wait "$killed"
  [ -n "$(leftovers)" ] || fail "SIGKILL: no copy was left to sweep"
  blocked live
  z store list --registry big.reg >/dev/null 2>.tool-err || fail "store list --registry: $(cat .tool-err)"
  z reg export 'HKCU\Software\ZrAddrRes Exports' >.tool-out 2>.tool-err
  [ "$(grep -c '^\[HKEY_CURRENT_USER\\Software\\ZrAddrRes Exports\\[^\\]*\]' .tool-out)" = 1 ] ||
    fail "the next start did not leave the live copy alone and sweep the killed one's: $(grep '^\[' .tool-out)"
  kill -s INT "$live"
  wait "$live"
  [ -z "$(leftovers)" ] || fail "left behind: $(leftovers)"
fi
exec 3>&-

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all cases passed"
