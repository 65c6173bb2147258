#!/usr/bin/env bash
# Runs the automation server's tests under Wine. One prefix per test run, made by
# "setup" and stopped by "cleanup"; every Wine call has a time limit, Wine's own
# output goes to files, and a script counts only when it printed its closing marker
# (a script error ends cscript silently with status 0).
#
#   wine-test.sh setup DLL               fresh prefix, wineserver -p, regsvr32 of the DLL
#   wine-test.sh first-boot DLL          the set-up from nothing, twice in a row, each time
#                                        with a fresh prefix and a fresh HOME
#   wine-test.sh script NAME.vbs [ARG]   runs a test script, checks its marker line
#   wine-test.sh import NAME DIR FILE... the same import by VBScript and by the Linux command
#                                        line ($TESSARO_LINUX_CLI, $TESSARO_SAMPLE_DEVICE_DB)
#   wine-test.sh dao-import NAME DIR FILE... as import, with a Jet device database read
#                                        through the DAO test double ($TESSARO_DAO_DOUBLE)
#   wine-test.sh program EXE             runs a test program, checks its marker line
#   wine-test.sh host EXE DLL DIR        runs the C++ host test with the sample project in
#                                        DIR and $TESSARO_SAMPLE_DEVICE_DB
#   wine-test.sh registration            registering leaves _Collection's key alone
#   wine-test.sh cleanup                 stops the prefix's server
# Exit 77 is a skip (no Wine here).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=${TESSARO_WINE_WORK:?TESSARO_WINE_WORK must name the folder of the test run}
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
export WINEPREFIX=$work/prefix
# Wine keeps per-user state under HOME as well: each run has its own, so nothing depends
# on what an earlier run (or another user of this machine) left there.
export HOME=$work/home
export WINEDEBUG=-all,err+module
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
component=$work/layout/app/bin   # the component's folder: the DLL as the host loads it

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*" >&2; exit 77; }
need_wine() { [[ -x $wine && -x $server ]] || skip "Wine (wine64) is not installed"; }
need_prefix() { need_wine; [[ -f $work/ready ]] || fail "the Wine prefix was not set up"; }

# Runs a Wine program with a time limit; its stderr goes to $work/logs/NAME.err.
run_wine() {
  local seconds=$1 name=$2
  shift 2
  mkdir -p "$work/logs"
  timeout -k 5 "$seconds" "$wine" "$@" 2>"$work/logs/$name.err"
}

winpath() { echo "Z:${1//\//\\}"; }

# Runs a Wine program in $work for up to two minutes and shows its output; fails unless
# it exited with 0, reported no failure and printed "END OF MARKER" last.
run_marked() {
  local name=$1 marker=$2 out=$work/logs/$1.out status
  shift 2
  (cd "$work" && run_wine 120 "$name" "$@") >"$out"
  status=$?
  tr -d '\r' <"$out"
  [[ $status -eq 0 ]] || fail "$name exited with $status"
  grep -q "^FAIL" "$out" && fail "$name reported failures"
  tail -n 1 "$out" | tr -d '\r' | grep -qx "END OF $marker" || fail "$name stopped before its end (script error?)"
}

# The prefix holds what a finished first boot writes: its three registry files.
prefix_booted() { [[ -s $WINEPREFIX/system.reg && -s $WINEPREFIX/user.reg && -s $WINEPREFIX/userdef.reg ]]; }
# The DLL's class is registered in the prefix's registry.
server_registered() {
  run_wine 30 reg-check reg query 'HKCR\CLSID\{96CF5634-6710-44EB-9751-41D1EB87757E}\InprocServer32' >/dev/null
}

# One attempt at a ready prefix from nothing: boot, wait for the server to write the
# registry and exit, then register the DLL. Readiness is judged by what the prefix
# holds, not by wineboot's exit status (a first boot may report a failure of one of its
# own steps and still leave a complete prefix, or exit 0 before the registry is written).
boot_prefix() {
  local dll=$1 attempt=$2 log=$work/logs/wineboot-$2.out
  timeout -k 5 30 "$server" -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX" "$HOME"
  mkdir -p "$HOME" "$component"
  timeout -k 5 180 "$wine" wineboot -i >"$log" 2>&1
  echo "wineboot -i (attempt $attempt) exited with $?" >>"$log"
  timeout -k 5 120 "$server" -w >>"$log" 2>&1
  prefix_booted || { echo "the prefix lacks its registry files" >>"$log"; return 1; }
  "$server" -p </dev/null >/dev/null 2>&1 &
  cp "$dll" "$component/tessaro.dll" 2>>"$log" || return 1
  run_wine 60 regsvr32 regsvr32 /s "$(winpath "$component/tessaro.dll")" ||
    { echo "regsvr32 exited with $?" >>"$log"; return 1; }
  server_registered || { echo "the server's class is not in the registry" >>"$log"; return 1; }
}

# A ready prefix in $work, retried once from scratch; on giving up, the tail of Wine's logs.
setup_prefix() {
  local dll=$1 attempt
  rm -rf "$work"
  mkdir -p "$work/logs"
  for attempt in 1 2; do
    if boot_prefix "$dll" "$attempt"; then
      touch "$work/ready"
      echo "prefix ready: $WINEPREFIX (attempt $attempt)"
      return 0
    fi
    echo "the Wine prefix is not ready after attempt $attempt" >&2
  done
  timeout -k 5 30 "$server" -k >/dev/null 2>&1
  for f in "$work"/logs/*; do echo "--- $f (last lines)"; tail -n 15 "$f"; done >&2
  fail "cannot set up a Wine prefix"
}

case ${1:-} in
setup)
  need_wine
  setup_prefix "$2"
  ;;
first-boot)
  # As on a machine that has never run Wine: the set-up from nothing, twice, each in a
  # new folder with its own HOME, the second after the first's server has stopped.
  need_wine
  for run in 1 2; do
    TESSARO_WINE_WORK=$(mktemp -d) || fail "no temporary folder"
    (
      work=$TESSARO_WINE_WORK WINEPREFIX=$TESSARO_WINE_WORK/prefix HOME=$TESSARO_WINE_WORK/home
      component=$work/layout/app/bin
      setup_prefix "$2"
      timeout -k 5 30 "$server" -k >/dev/null 2>&1
      timeout -k 5 60 "$server" -w >/dev/null 2>&1
    )
    status=$?
    rm -rf "$TESSARO_WINE_WORK"
    [[ $status -eq 0 ]] || fail "set-up from nothing failed on run $run"
    echo "set-up from nothing, run $run: ready"
  done
  ;;
cleanup)
  need_wine
  timeout -k 5 30 "$server" -k >/dev/null 2>&1 || true
  echo "wineserver stopped"
  ;;
script)
  need_prefix
  run_marked "$2" "$2" cscript //nologo "$(winpath "$here/$2")" "${@:3}"
  ;;
import)
  need_prefix
  name=$2 sources=$3
  shift 3
  cli=${TESSARO_LINUX_CLI:-} database=${TESSARO_SAMPLE_DEVICE_DB:-}
  [[ -n $cli && -x $cli ]] || skip "no Linux command line to compare with (TESSARO_LINUX_CLI)"
  [[ -n $database && -f $database ]] || skip "no sample device database (TESSARO_SAMPLE_DEVICE_DB)"
  # The same layout for both: sources by relative name from their folder, so that the
  # SourceId texts are the same; KorvoDEV.dbr two levels above the component.
  linux=$work/linux-$name
  rm -rf "$linux" && mkdir -p "$linux/app/bin"
  cp "$database" "$linux/KorvoDEV.dbr"
  cp "$database" "$work/layout/KorvoDEV.dbr"
  rm -f "$work/layout/app/Messenger.Msg"
  (cd "$sources" && "$cli" import --component-dir "$linux/app/bin" --format csv --device-name Line1 \
      --device-code 1 --device-id 7 "$@") >"$linux/variables.csv" 2>"$linux/cli.err"
  [[ $? -le 1 ]] || fail "the Linux command line failed: $(cat "$linux/cli.err")"
  out=$work/logs/import-$name.out
  (cd "$sources" && run_wine 120 "import-$name" cscript //nologo "$(winpath "$here/import.vbs")" \
      "$(winpath "$work/windows-$name.csv")" "$@") >"$out"
  cat "$out"
  tail -n 1 "$out" | tr -d '\r' | grep -qx "END OF import.vbs" || fail "import.vbs stopped before its end"
  iconv -f CP1252 -t UTF-8 "$work/windows-$name.csv" >"$work/windows-$name.utf8.csv" || fail "no variables written"
  cmp "$linux/variables.csv" "$work/windows-$name.utf8.csv" || {
    diff "$linux/variables.csv" "$work/windows-$name.utf8.csv" | head -20 >&2
    fail "the variables differ from the Linux build's"
  }
  # The merged message files, their time stamps masked.
  mask() { sed -E 's/--[0-9]{2}-[0-9]{2}-[0-9]{2} [0-9]{2}\.[0-9]{2}\.[0-9]{2}/--MM-DD-YY HH.MM.SS/' "$1"; }
  [[ -f $linux/app/Messenger.Msg ]] || fail "the Linux import wrote no Messenger.Msg"
  [[ -f $work/layout/app/Messenger.Msg ]] || fail "the Windows import wrote no Messenger.Msg"
  cmp <(mask "$linux/app/Messenger.Msg") <(mask "$work/layout/app/Messenger.Msg") || {
    diff <(mask "$linux/app/Messenger.Msg") <(mask "$work/layout/app/Messenger.Msg") | head -20 >&2
    fail "the merged message files differ"
  }
  # No partial file is left behind by a complete import, on either side.
  left=$(ls "$component"/*.Msg "$linux/app/bin"/*.Msg 2>/dev/null)
  [[ -z $left ]] || fail "partial message files left: $left"
  echo "$(($(wc -l <"$linux/variables.csv") - 1)) variables and the merged messages equal the Linux build's"
  ;;
dao-import)
  # The Jet path: the shared Jet 4 fixture as KorvoDEV.dbr, read on Linux through
  # libmdb and under Wine through DAO, here the test double serving the same rows
  # from SQLite and logging what it is asked.
  need_prefix
  double=${TESSARO_DAO_DOUBLE:?TESSARO_DAO_DOUBLE must name the DAO test double}
  fixtures=$here/../../../shared/fixtures
  [[ -f $fixtures/jet4/KorvoDEV.dbr && -f $fixtures/devicedb.sql ]] || skip "no shared device database fixtures"
  command -v sqlite3 >/dev/null || skip "no sqlite3 shell to load the fixture rows"
  rm -f "$work/dao.sqlite" "$work/dao.log"
  sqlite3 "$work/dao.sqlite" <"$fixtures/devicedb.sql" || fail "cannot load the fixture rows"
  cp "$double" "$work/dao_double.dll"
  TESSARO_DAO_DOUBLE_PROGIDS="DAO.DBEngine.36" run_wine 60 regsvr32-dao regsvr32 /s "$(winpath "$work/dao_double.dll")" ||
    fail "cannot register the DAO double"
  export TESSARO_DAO_DOUBLE_DB=$(winpath "$work/dao.sqlite") TESSARO_DAO_DOUBLE_LOG=$(winpath "$work/dao.log")
  TESSARO_SAMPLE_DEVICE_DB=$fixtures/jet4/KorvoDEV.dbr "$0" import "$2" "${@:3}" || exit $?
  log=$(tr -d '\r' <"$work/dao.log")
  grep -qxF 'OpenDatabase '"$(winpath "$component")"'\..\..\KorvoDEV.dbr with 1 argument(s)' <<<"$log" ||
    fail "the database was not opened by the unnormalised path alone: $(head -3 <<<"$log")"
  grep -qxF 'OpenRecordset 4 SELECT DeviceId, DeviceDataAreaId, Name FROM DeviceDataArea WHERE DeviceId= 1' <<<"$log" ||
    fail "no snapshot query of the areas of device 1: $(head -3 <<<"$log")"
  echo "the import read its device database through DAO: $(grep -c OpenRecordset <<<"$log") queries"
  ;;
program)
  need_prefix
  run_marked "$(basename "$2")" "$(basename "$2")" "$(winpath "$(realpath "$2")")"
  ;;
host)
  need_prefix
  database=${TESSARO_SAMPLE_DEVICE_DB:-}
  [[ -n $database && -f $database ]] || skip "no sample device database (TESSARO_SAMPLE_DEVICE_DB)"
  rm -rf "$work/host" && mkdir -p "$work/host"
  run_marked host host.exe "$(winpath "$(realpath "$2")")" "$(winpath "$(realpath "$3")")" \
      "$(winpath "$(realpath "$database")")" "$(winpath "$4")" "$(winpath "$work/host")"
  ;;
registration)
  need_prefix
  collection='HKCR\Interface\{A4C46780-499F-101B-BB78-00AA00383CBB}'
  dll=$(winpath "$component/tessaro.dll")
  run_wine 30 reg-add reg add "$collection" /ve /d "_Collection (seeded)" /f >/dev/null || fail "cannot seed the key"
  run_wine 30 reg-add2 reg add "$collection\\TypeLib" /ve /d "{000204EF-0000-0000-C000-000000000046}" /f >/dev/null
  query() { run_wine 30 reg-query reg query "$1" /s 2>/dev/null | tr -d '\r'; }
  before=$(query "$collection")
  run_wine 60 regsvr32-u regsvr32 /s /u "$dll" || fail "unregistering failed"
  for key in 'HKCR\Tessaro.VariableDriver' 'HKCR\Tessaro.Collection.1' \
             'HKCR\CLSID\{96CF5634-6710-44EB-9751-41D1EB87757E}' \
             'HKCR\Interface\{1B9F57F0-606D-4ED8-A06A-7B32C7226136}' \
             'HKCR\TypeLib\{BF23F461-2FC7-492B-B3AF-1E298291F90C}'; do
    run_wine 30 reg-query reg query "$key" >/dev/null 2>&1 && fail "$key is left after unregistering"
  done
  [[ "$(query "$collection")" == "$before" ]] || fail "unregistering changed the _Collection key"
  run_wine 60 regsvr32 regsvr32 /s "$dll" || fail "registering again failed"
  [[ "$(query "$collection")" == "$before" ]] || fail "registering changed the _Collection key"
  threading=$(query 'HKCR\CLSID\{96CF5634-6710-44EB-9751-41D1EB87757E}\InprocServer32')
  grep -q "ThreadingModel.*Apartment" <<<"$threading" || fail "no ThreadingModel Apartment: $threading"
  grep -q 'tessaro.dll' <<<"$threading" || fail "InprocServer32 does not name the DLL: $threading"
  echo "registration leaves _Collection's key as it was and removes all of its own"
  ;;
*)
  echo "usage: $0 setup|cleanup|script|import|registration ..." >&2
  exit 2
  ;;
esac
