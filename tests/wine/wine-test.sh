#!/usr/bin/env bash
# Runs the automation server's tests under Wine, by mode: setup DLL, first-boot DLL,
# cleanup, run NAME.vbs or EXE, corpus DIR, installed BUILD, host EXE DLL SOURCES-DIR,
# registration.
# One prefix per test run, made by "setup" and stopped by "cleanup"; every Wine call has a
# time limit, Wine's own output goes to files, and a script counts only when it printed
# its closing marker (a script error ends cscript silently with status 0). The sample
# device database is $TESSARO_SAMPLE_DEVICE_DB. Exit 77 is a skip (no Wine here).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=${TESSARO_WINE_WORK:?TESSARO_WINE_WORK must name the folder of the test run}
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
# The DLL's architecture, TESSARO_WINE_ARCH: x64, or x86 for the 32-bit DLL, which the
# 64-bit prefix's 32-bit side registers and loads (its own regsvr32, reg and cscript in
# syswow64, run by Wine's 32-bit loader from the wine32 package).
arch=${TESSARO_WINE_ARCH:-x64}
case $arch in
x64) system= ;;
x86) system='C:\windows\syswow64\' ;;
*) echo "TESSARO_WINE_ARCH must be x64 or x86, not $arch" >&2; exit 2 ;;
esac
regsvr32=${system}regsvr32.exe reg=${system}reg.exe cscript=${system}cscript.exe
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
need_wine() {
  [[ -x $wine && -x $server ]] || skip "Wine (wine64) is not installed"
  [[ $arch == x64 || -x /usr/lib/wine/wine ]] || skip "32-bit Wine (wine32) is not installed"
  # 126: the kernel will not start the 32-bit loader (a kernel without IA-32 emulation).
  if [[ $arch == x86 ]]; then
    /usr/lib/wine/wine --version >/dev/null 2>&1
    [[ $? -ne 126 ]] || skip "this machine's kernel does not run 32-bit programs, so 32-bit Wine cannot start"
  fi
}
need_prefix() { need_wine; [[ -f $work/ready ]] || fail "the Wine prefix was not set up"; }
need_database() {
  need_prefix
  database=${TESSARO_SAMPLE_DEVICE_DB:-}
  [[ -f $database ]] || skip "no sample device database (TESSARO_SAMPLE_DEVICE_DB)"
}

# Runs a Wine program with a time limit; its stderr goes to $work/logs/NAME.err.
run_wine() {
  local seconds=$1 name=$2
  shift 2
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
  # What a finished first boot writes: the prefix's three registry files.
  [[ -s $WINEPREFIX/system.reg && -s $WINEPREFIX/user.reg && -s $WINEPREFIX/userdef.reg ]] ||
    { echo "the prefix lacks its registry files" >>"$log"; return 1; }
  "$server" -p </dev/null >/dev/null 2>&1 &
  cp "$dll" "$component/tessaro.dll" 2>>"$log" || return 1
  run_wine 60 regsvr32 "$regsvr32" /s "$(winpath "$component/tessaro.dll")" ||
    { echo "regsvr32 exited with $?" >>"$log"; return 1; }
  run_wine 30 reg-check "$reg" query 'HKCR\CLSID\{96CF5634-6710-44EB-9751-41D1EB87757E}\InprocServer32' >/dev/null ||
    { echo "the server's class is not in the registry" >>"$log"; return 1; }
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
setup)  # a fresh prefix, wineserver -p, regsvr32 of the DLL
  need_wine
  setup_prefix "$2"
  ;;
first-boot)
  # As on a machine that has never run Wine: the set-up from nothing, twice, each in a
  # new folder with its own HOME, the second after the first's server has stopped.
  need_wine
  for run in 1 2; do
    fresh=$(mktemp -d) || fail "no temporary folder"
    TESSARO_WINE_WORK=$fresh "$0" setup "$2" >/dev/null
    status=$?
    WINEPREFIX=$fresh/prefix timeout -k 5 30 "$server" -k >/dev/null 2>&1
    WINEPREFIX=$fresh/prefix timeout -k 5 60 "$server" -w >/dev/null 2>&1
    rm -rf "$fresh"
    [[ $status -eq 0 ]] || fail "set-up from nothing failed on run $run"
    echo "set-up from nothing, run $run: ready"
  done
  ;;
cleanup)
  need_wine
  timeout -k 5 30 "$server" -k >/dev/null 2>&1 || true
  echo "wineserver stopped"
  ;;
run)  # a test script of this folder or a test program
  need_prefix
  name=$(basename "$2")
  [[ $2 == *.vbs ]] && program=("$cscript" //nologo "$(winpath "$here/$2")") || program=("$(winpath "$(realpath "$2")")")
  run_marked "$name" "$name" "${program[@]}"
  ;;
corpus)
  # The corpus of example imports (tests/corpus/README.md), one cscript run per code page: each case
  # prepared in its own folder, imported by corpus.vbs, then compared with its expected
  # files. Wine takes its ANSI code page from the locale, so the cases of each code page
  # run together in the locale that has it (a code page without one here is skipped); a Jet
  # device database is read through DAO, here the test double serving the shared
  # fixture's rows from SQLite and logging what it is asked.
  need_database
  corpus=$2 runs=$work/corpus shared=$here/../../../shared
  command -v sqlite3 >/dev/null || skip "no sqlite3 shell for the device databases"
  rm -rf "$runs" && mkdir -p "$runs"
  trim() { local t=${1%$'\r'}; t=${t#"${t%%[![:space:]]*}"}; echo "${t%"${t##*[![:space:]]}"}"; }
  source_of() { [[ $1 == shared/* ]] && echo "$shared/${1#shared/}" || echo "$2/$1"; }
  declare -A languages=([en]=1 [it]=2 [fr]=3 [es]=4 [de]=5 [zh]=6) expected_import
  declare -A locales=([WINDOWS-1252]=C [CP936]=zh_CN.UTF-8 [CP932]=ja_JP.UTF-8 [CP949]=ko_KR.UTF-8
    [CP950]=zh_TW.UTF-8 [CP1250]=pl_PL.UTF-8 [CP1251]=ru_RU.UTF-8)
  have_locale() { [[ $1 == C ]] || locale -a 2>/dev/null | grep -qix "${1/UTF-8/utf8}"; }
  cases=() jet=
  for dir in "$corpus"/*/; do
    name=$(basename "$dir") run=$runs/$(basename "$dir")
    [[ -f $dir/case.txt ]] || continue
    declare -A k=([device-code]=1 [device-id]=1 [codepage]=WINDOWS-1252 [device-db]=sample [imported]=yes)
    while IFS= read -r l; do
      [[ $l =~ ^[[:space:]]*# || $l != *=* ]] || k[$(trim "${l%%=*}")]=$(trim "${l#*=}")
    done <"$dir/case.txt"
    [[ ${k[command]:-} == diff ]] && { echo "SKIP $name: a diff case is the command line's"; unset k; continue; }
    codepage=${k[codepage]} locale=${locales[${k[codepage]}]:-none}
    have_locale "$locale" || { echo "SKIP $name: no locale for code page $codepage"; continue; }
    [[ "${k[files]:-} ${k[device-db]}" == *shared/* && ! -d $shared ]] && { echo "SKIP $name: no ../shared"; continue; }
    # The automation server reads as the component does by itself: cases of another
    # reading are the library's and the command line's.
    [[ ${k[reading]:-exact} == exact && -z ${k[mnemonics]:-} ]] || { echo "SKIP $name: reading ${k[reading]:-exact}, mnemonics ${k[mnemonics]:-de}"; unset k; continue; }
    # The server reads the symbol tables of the design's format only.
    [[ " ${k[files],,}" =~ \.(sdf|dif)( |$) ]] && { echo "SKIP $name: the automation server reads no .SDF or .DIF"; continue; }
    mkdir -p "$run"
    case ${k[device-db]} in
    sample) cp "$database" "$run/KorvoDEV.dbr" ;;
    *.sql) sqlite3 "$run/KorvoDEV.dbr" <"$(source_of "${k[device-db]}" "$dir")" || fail "$name: bad device database SQL" ;;
    *) cp "$(source_of "${k[device-db]}" "$dir")" "$run/KorvoDEV.dbr" && jet=1 ;;
    esac
    fields=("$(winpath "$run")" "${k[device-code]}" "${k[device-id]}" "${k[device-name]:-}" "${languages[${k[language]:-none}]:-}")
    for file in ${k[files]}; do
      source=$(source_of "$file" "$dir")
      [[ -f $source ]] && cp "$source" "$run/"
      fields+=("$(basename "$file")")
    done
    (IFS=$'\t' && echo "${fields[*]}") >>"$runs/plan.$codepage"
    cases+=("$name") expected_import[$name]=${k[imported]}
    unset k
  done
  if [[ -n $jet ]]; then
    sqlite3 "$work/dao.sqlite" <"$shared/fixtures/devicedb.sql" || fail "cannot load the fixture rows"
    cp "${TESSARO_DAO_DOUBLE:?TESSARO_DAO_DOUBLE must name the DAO test double}" "$work/dao_double.dll"
    run_wine 60 regsvr32-dao "$regsvr32" /s "$(winpath "$work/dao_double.dll")" || fail "cannot register the DAO double"
    export TESSARO_DAO_DOUBLE_DB=$(winpath "$work/dao.sqlite") TESSARO_DAO_DOUBLE_LOG=$(winpath "$work/dao.log")
  fi
  printf 'Software\\Tessaro\r\n' >"$component/RegKeys.sys"
  for plan in "$runs"/plan.*; do
    codepage=${plan##*.}
    iconv -f UTF-8 -t "$codepage" "$plan" >"$plan.txt" || fail "a case's settings are not $codepage text"
    (export LC_ALL=${locales[$codepage]} && run_marked "corpus-$codepage" corpus.vbs "$cscript" //nologo "$(winpath "$here/corpus.vbs")" "$(winpath "$plan.txt")" \
       "$(winpath "$work/layout")") >/dev/null || fail "corpus.vbs failed for the cases in $codepage"
  done
  rm -f "$component/RegKeys.sys"
  mask() { LC_ALL=C sed -E 's/^(--.*--)[0-9]{2}-[0-9]{2}-[0-9]{2} [0-9]{2}\.[0-9]{2}\.[0-9]{2}(\r?)$/\1MM-DD-YY HH.MM.SS\2/' "$1"; }
  differ() {  # case, what, expected file, file written: the first differing line
    local at
    cmp -s "$3" "$4" && return 0
    at=$(cmp "$3" "$4" 2>&1 | grep -oP 'line \K[0-9]+' | head -1)
    echo "FAIL $1 [wine] $2 differs at line $at"
    echo "    expected: $(sed -n "${at}p" "$3" | sed 's/\r/\\r/g')"
    echo "    got:      $(sed -n "${at}p" "$4" | sed 's/\r/\\r/g')"
    failed=1
  }
  failed=
  for name in "${cases[@]}"; do
    run=$runs/$name dir=$corpus/$name
    [[ $(cat "$run/imported.txt" 2>/dev/null) == "${expected_import[$name]}" ]] ||
      { echo "FAIL $name [wine] GetVariables: $(cat "$run/imported.txt" 2>/dev/null)"; failed=1; }
    iconv -f UTF-16 -t UTF-8 "$run/records.jsonl" >"$run/got.jsonl" 2>/dev/null
    [[ -f $run/Messenger.Msg ]] && mask "$run/Messenger.Msg" >"$run/got.msg"
    for what in jsonl msg 1.Msg 2.Msg 3.Msg 4.Msg 5.Msg 6.Msg; do
      [[ -f $dir/expected.$what || -f $run/got.$what ]] || continue
      cat "$dir/expected.$what" >"$run/expected.$what" 2>/dev/null
      touch "$run/got.$what"
      differ "$name" "expected.$what" "$run/expected.$what" "$run/got.$what"
    done
  done
  [[ -z $failed ]] || fail "corpus cases differ under Wine"
  if [[ -n $jet ]]; then
    log=$(tr -d '\r' <"$work/dao.log")
    grep -qxF 'OpenDatabase '"$(winpath "$component")"'\..\..\KorvoDEV.dbr with 1 argument(s)' <<<"$log" ||
      fail "the database was not opened by the unnormalised path alone: $(head -3 <<<"$log")"
    grep -qxF 'OpenRecordset 4 SELECT DeviceId, DeviceDataAreaId, Name FROM DeviceDataArea WHERE DeviceId= 1' <<<"$log" ||
      fail "no snapshot query of the areas of device 1: $(head -3 <<<"$log")"
  fi
  echo "${#cases[@]} corpus cases equal their expected files under Wine"
  ;;
installed)
  # cmake --install of the Windows build: the DLL, its type library and the notes side
  # by side, and the VBScript example from there on the sample plant, its defaults.
  need_database
  tree=$work/installed
  rm -rf "$tree" "$work/example" && mkdir -p "$work/example"
  cmake --install "$2" --prefix "$tree" >"$work/logs/install.out" || fail "cmake --install failed"
  # The type library and the notes beside the DLL built (the example and its sources run below).
  [[ -f $tree/Tessaro.tlb && -f $tree/README-windows.txt ]] || fail "Tessaro.tlb or README-windows.txt is not installed"
  cmp -s "$tree/tessaro.dll" "$component/tessaro.dll" || fail "the installed DLL is not the one built"
  cp "$database" "$work/layout/KorvoDEV.dbr"
  out=$work/logs/example.out
  (cd "$work/example" && run_wine 120 example "$cscript" //nologo "$(winpath "$tree/samples/windows/import.vbs")") \
    >"$out" || fail "import.vbs exited with $?: $(tr -d '\r' <"$out")"
  tr -d '\r' <"$out"
  # It ends with "N variables written to Plant.csv", N > 0, and the file holds a header
  # and N rows (a CSV line ends in CR LF; a text may hold a lone LF).
  last=$(tail -n 1 "$out" | tr -d '\r') csv=$work/example/Plant.csv
  [[ $last =~ ^[1-9][0-9]*" variables written to Plant.csv"$ ]] || fail "import.vbs stopped before its end (script error?)"
  [[ -f $csv && $(($(tr -cd '\r' <"$csv" | wc -c) - 1)) == "${last%% *}" ]] || fail "$csv does not hold ${last%% *} variables"
  grep -q ',Plant.ASC (Symbol file),' "$csv" && grep -q ',DB 10,' "$csv" || fail "$csv lacks the rows of one of the two sources"
  ;;
host)  # the C++ host with the sample project
  need_database
  rm -rf "$work/host" && mkdir -p "$work/host"
  run_marked host host.exe "$(winpath "$(realpath "$2")")" "$(winpath "$(realpath "$3")")" \
      "$(winpath "$(realpath "$database")")" "$(winpath "$4")" "$(winpath "$work/host")"
  ;;
registration)  # unregistering and registering again beside a seeded _Collection key
  need_prefix
  collection='HKCR\Interface\{A4C46780-499F-101B-BB78-00AA00383CBB}'
  dll=$(winpath "$component/tessaro.dll")
  run_wine 30 reg-add "$reg" add "$collection" /ve /d "_Collection (seeded)" /f >/dev/null || fail "cannot seed the key"
  run_wine 30 reg-add2 "$reg" add "$collection\\TypeLib" /ve /d "{000204EF-0000-0000-C000-000000000046}" /f >/dev/null
  query() { run_wine 30 reg-query "$reg" query "$1" /s 2>/dev/null | tr -d '\r'; }
  before=$(query "$collection")
  run_wine 60 regsvr32-u "$regsvr32" /s /u "$dll" || fail "unregistering failed"
  for key in 'HKCR\Tessaro.VariableDriver' 'HKCR\Tessaro.Collection.1' \
             'HKCR\CLSID\{96CF5634-6710-44EB-9751-41D1EB87757E}' \
             'HKCR\Interface\{1B9F57F0-606D-4ED8-A06A-7B32C7226136}' \
             'HKCR\TypeLib\{BF23F461-2FC7-492B-B3AF-1E298291F90C}'; do
    run_wine 30 reg-query "$reg" query "$key" >/dev/null 2>&1 && fail "$key is left after unregistering"
  done
  [[ "$(query "$collection")" == "$before" ]] || fail "unregistering changed the _Collection key"
  run_wine 60 regsvr32 "$regsvr32" /s "$dll" || fail "registering again failed"
  [[ "$(query "$collection")" == "$before" ]] || fail "registering changed the _Collection key"
  threading=$(query 'HKCR\CLSID\{96CF5634-6710-44EB-9751-41D1EB87757E}\InprocServer32')
  grep -q "ThreadingModel.*Apartment" <<<"$threading" || fail "no ThreadingModel Apartment: $threading"
  grep -q 'tessaro.dll' <<<"$threading" || fail "InprocServer32 does not name the DLL: $threading"
  echo "registration leaves _Collection's key as it was and removes all of its own"
  ;;
*)
  echo "usage: $0 setup|first-boot|cleanup|run|corpus|installed|host|registration ..." >&2
  exit 2
  ;;
esac
