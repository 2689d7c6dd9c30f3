# Sourced by the tool checks that run-in-netns.sh runs inside the namespace
# (tool-order-check.sh, explain-check.sh, who-check.sh, who-silent-check.sh),
# each called as
#
#   CHECK.sh WORK-FOLDER TOOL [EMULATOR...]
#
# Sets: tool (the command line that runs the tool, under the emulator if
# any) and run_tool, which runs it, a fresh work folder as the current one,
# ZRADDRRES_REGISTRY in it (natively the check's own pair of hive files;
# under Wine the prefix's registry, where a check removes its keys again on
# the way out), and fail, which counts failures; a check ends with `finish
# NAME`.
work=$1
shift
tool=("${@:2}" "$1")
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
export ZRADDRRES_REGISTRY=$work/registry
# run_tool ARGUMENTS...: runs the tool, its output through files and then
# passed on. Under Wine the tool's first use of the window system starts a
# desktop process that inherits its output and stays a second after the last
# program leaves: read through a pipe, each run would wait for it.
run_tool() {
  "${tool[@]}" "$@" >"$work/.tool-out" 2>"$work/.tool-err"
  local code=$?
  cat "$work/.tool-out"
  cat "$work/.tool-err" >&2
  return $code
}
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
finish() {
  [ $failures -eq 0 ] || exit 1
  echo "$1 check: passed"
}
