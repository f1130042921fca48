#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite.
# Usage: scripts/test.sh [[--preset] NAME]
#   NAME  the configure preset (CMakePresets.json) to build and test: default
#         (build/), or sanitize (build-sanitize/, with AddressSanitizer and
#         UndefinedBehaviorSanitizer); a tree of your own is a preset in
#         CMakeUserPresets.json.
#
# Started as root, it installs and builds as root but runs the suites as the
# unprivileged user nobody (uid 65534), with a HOME and TMPDIR of its own made
# for the run: root may write anything and raise any priority, which hides the
# faults a person meets. Tests labelled "root" (none today) run as root apart.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Whatever root's umask, the user the tests run as must read the build tree.
[ "$(id -u)" -ne 0 ] || umask 022
preset=default
[ "${1:-}" != --preset ] || shift
[ -z "${1:-}" ] || preset="$1"
build="$("$root/scripts/setup.sh" "$preset")"
cd "$build"
export QT_QPA_PLATFORM=offscreen
# Everything the suites use was installed above: a case that finds a tool
# missing (chdman, xorriso) fails instead of skipping.
export HOTARU_REQUIRE_TOOLS=1
# What the system's own libraries leak is not ours to report.
grep -q '^HOTARU_SANITIZE:BOOL=ON$' CMakeCache.txt &&
  export LSAN_OPTIONS="suppressions=$root/tests/lsan-suppressions.txt"

windows_suite=0 windows_gui=0 root_tests=0
ctest -N -R '^windows_suite$' | grep -q 'Total Tests: 1' && windows_suite=1
ctest -N -R '^windows_gui$' | grep -q 'Total Tests: 1' && windows_gui=1
ctest -N -L '^root$' | grep -q 'Total Tests: [1-9]' && root_tests=1

as_tester=()  # runs a command as the user the tests run as
if [ "$(id -u)" -eq 0 ]; then
  tester=65534
  # What the tests write into the build tree: CTest's log, and the Windows
  # suite's own build and Wine prefix (Wine wants a prefix its user owns).
  writable=("$build/Testing")
  ((windows_suite)) && writable+=("$build/windows-suite")
  ((windows_gui)) && writable+=("$build/windows-gui")
  mkdir -p "${writable[@]}"
  scratch="$(mktemp -d /tmp/hotaru-tests.XXXXXX)"
  opened=()  # "MODE FOLDER" of each folder opened for the run below
  # Hand those folders back to the build tree's owner and close what was
  # opened, whatever the outcome.
  restore() {
    chown -R --reference="$build" "${writable[@]}"
    rm -rf "$scratch"
    local entry
    for entry in "${opened[@]}"; do chmod "${entry%% *}" "${entry#* }"; done
  }
  trap restore EXIT
  mkdir -p "$scratch/home" "$scratch/tmp" "$scratch/run"
  chmod 700 "$scratch/run"
  chown -R "$tester:$tester" "$scratch" "${writable[@]}"
  as_tester=(setpriv --reuid="$tester" --regid="$tester" --clear-groups
    env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME -u DBUS_SESSION_BUS_ADDRESS
    HOME="$scratch/home" TMPDIR="$scratch/tmp" XDG_RUNTIME_DIR="$scratch/run" USER=nobody LOGNAME=nobody)
  # A clone under a folder only root may enter (such as /root): let the
  # tester pass through (search only, no listing) for this run, and put the
  # modes back afterwards.
  for dir in "$root" "$build"; do
    while [ "$dir" != / ]; do
      if ! "${as_tester[@]}" test -x "$dir"; then
        opened+=("$(stat -c %a "$dir") $dir")
        chmod o+x "$dir"
      fi
      dir="$(dirname "$dir")"
    done
  done
  if ! "${as_tester[@]}" test -r "$build/CTestTestfile.cmake" -a -r "$root/tools/make-film-clip.sh"; then
    echo "test.sh: uid $tester cannot read $build and $root; the tests run unprivileged," \
      "so keep the tree where every user may read it" >&2
    exit 2
  fi
  echo "Running the tests as uid $tester (HOME and TMPDIR under $scratch)"
fi

# The libraries of the Windows build, once per machine (apt and a long
# build: before the tester runs; as root, into the system cache it may read).
if ((windows_gui)); then
  "$root/scripts/windows-deps.sh" >/dev/null
fi

# The format first (its verdict counts at the end), then every suite as the
# tester in one run (the Windows suite asks for both cores and so runs alone),
# then any that need root.
format_ok=1
"$root/scripts/check-format.sh" || format_ok=0
if ((root_tests)) && [ "$(id -u)" -eq 0 ]; then
  ctest --output-on-failure --timeout 600 -L '^root$'
elif ((root_tests)); then
  echo "test.sh: tests labelled root skipped: they need root" >&2
fi
"${as_tester[@]}" ctest --output-on-failure --timeout 600 -j2 -LE '^root$'
((format_ok))
