#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it from outside the tree:
#   install-hosts.sh BUILD SOURCE WORK [PYTHON]
# checks the installed layout (SONAME, public headers only), runs the installed
# command line on the installed sample project with its installed device database, and
# builds and runs the host in host/ through find_package and through pkg-config, and, with
# PYTHON, imports the installed Python module through PYTHONPATH. Each must count the
# variables of the sample plant as the build tree's command line does.
set -euo pipefail
build=$1 source=$2 work=$3 python=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install failed: $(tail -3 "$work/install.log")"

# The layout.
for file in bin/tessaro lib/libtessaro.so lib/libtessaro.so.0 share/tessaro/samples/KorvoDEV.dbr \
    share/tessaro/samples/plant/Plant.ASC share/tessaro/samples/plant/Plant.AWL share/man/man1/tessaro.1.gz \
    share/bash-completion/completions/tessaro lib/cmake/Tessaro/TessaroConfig.cmake \
    lib/cmake/Tessaro/TessaroConfigVersion.cmake lib/pkgconfig/tessaro.pc; do
  [[ -e $prefix/$file ]] || fail "$file is not installed"
done
soname=$(objdump -p "$prefix/lib/libtessaro.so" | awk '$1 == "SONAME" {print $2}')
[[ $soname == libtessaro.so.0 ]] || fail "the library's SONAME is '$soname'"
diff <(cd "$source/include" && find . -type f | sort) <(cd "$prefix/include" && find . -type f | sort) ||
  fail "the installed headers are not the public headers"

# The sample import from the installed paths, by the installed command line with its own
# default device database, against the build tree's command line.
sample=$prefix/share/tessaro/samples/plant
count() { tail -n +2 | wc -l; }
expected=$(cd "$work" && "$build/cli/tessaro" import --format csv "$source"/samples/plant/* 2>/dev/null | count)
((expected > 0)) || fail "the build tree's command line imports nothing"
installed=$(cd "$work" && "$prefix/bin/tessaro" import --format csv "$sample"/* 2>"$work/cli.err" | count)
[[ $installed == "$expected" ]] || fail "the installed command line imports $installed variables, not $expected: $(head -3 "$work/cli.err")"

# A component layout for the hosts: the installed device database two levels up.
mkdir -p "$work/layout/app/bin"
cp "$prefix/share/tessaro/samples/KorvoDEV.dbr" "$work/layout/"
run_host() {
  local way=$1 got
  got=$("$2" "$work/layout/app/bin" "$sample"/*) || fail "the $way host failed"
  [[ $got == "$expected" ]] || fail "the $way host counts '$got' variables, not $expected"
  echo "$way: $got variables"
}

cmake -S "$here/host" -B "$work/find_package" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$work/find_package.log" &&
  cmake --build "$work/find_package" >>"$work/find_package.log" || fail "find_package build: $(tail -5 "$work/find_package.log")"
run_host find_package "$work/find_package/host"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[[ $(pkg-config --modversion tessaro) == "$(sed -n 's/^Version: //p' "$prefix/lib/pkgconfig/tessaro.pc")" ]] ||
  fail "pkg-config does not find tessaro"
# shellcheck disable=SC2046
${CXX:-c++} -std=c++20 -o "$work/host-pkg-config" "$here/host/host.cpp" $(pkg-config --cflags --libs tessaro) ||
  fail "pkg-config build"
LD_LIBRARY_PATH=$(pkg-config --variable=libdir tessaro) run_host pkg-config "$work/host-pkg-config"

# The Python module from the prefix's site folder, with its own default device database.
if [[ -n $python ]]; then
  site=$(cd "$prefix" && find lib -path '*-packages/tessaro/__init__.py' | sed 's|/tessaro/__init__.py$||')
  [[ -n $site ]] || fail "the Python module is not installed"
  got=$(cd "$work" && PYTHONPATH=$prefix/$site "$python" -c 'import glob, sys, tessaro
print(len(tessaro.import_files(sorted(glob.glob(sys.argv[1] + "/*"))).variables))' "$sample" 2>"$work/python.err") ||
    fail "the Python module: $(tail -3 "$work/python.err")"
  [[ $got == "$expected" ]] || fail "the Python module counts '$got' variables, not $expected"
  echo "python ($site): $got variables"
fi
