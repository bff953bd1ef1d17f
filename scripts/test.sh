#!/usr/bin/env bash
# Sets up the machine, builds the normal (dev) and the sanitizer (ASan + UBSan) build and runs
# every test in both. Ends with one summary of both builds (tests run and failed in each, builds
# with failures first; for a build that failed, its first compiler errors) and exits non-zero
# when anything failed. The output of every build and test run is kept in build/test-logs/
# (<preset>-build.log, <preset>-tests.log), which the summary names; each run starts it afresh.
# SOACAD_JOBS sets the number of parallel build and test jobs (default: the number of
# processors).
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh || exit 1
jobs=${SOACAD_JOBS:-$(nproc)}
logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs" || exit 1
presets=(dev sanitize)
declare -A built

for preset in "${presets[@]}"; do
  echo "== build: $preset"
  if { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs"; } 2>&1 |
    tee "$logs/$preset-build.log"; then
    built[$preset]=yes
  else
    built[$preset]=no
  fi
done
for preset in "${presets[@]}"; do
  [ "${built[$preset]}" = yes ] || continue
  echo "== tests: $preset build"
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$logs/$preset-tests.log"
  (cd "build/$preset" && ctest -N) | sed -n 's/^ *Test *#[0-9]*: //p' | sort >"$logs/$preset.names"
done

# One line per build, those with failures (or that did not build) first.
status=0
passed_total=0
failed_total=0
failing=()
passing=()
for preset in "${presets[@]}"; do
  if [ "${built[$preset]}" != yes ]; then
    failing+=("FAILED  $preset build: did not build, no test run; its first errors ($logs/$preset-build.log):")
    # The compiler's and linker's errors, the build tool's failed steps and CMake's own.
    while IFS= read -r error; do
      failing+=("          $error")
    done < <(grep -E -m 8 ': (fatal )?error: |undefined reference|^FAILED: |CMake Error' \
      "$logs/$preset-build.log")
    status=1
    continue
  fi
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' \
    "$logs/$preset-tests.log" | tail -1)
  if [ -z "$line" ]; then
    failing+=("FAILED  $preset build: the tests did not run to the end")
    status=1
    continue
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  run=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  passed_total=$((passed_total + run - failed))
  failed_total=$((failed_total + failed))
  if [ "$failed" -gt 0 ]; then
    names=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' "$logs/$preset-tests.log" |
      paste -sd' ')
    failing+=("FAILED  $preset build: $failed of $run tests failed: $names")
    status=1
  else
    passing+=("passed  $preset build: $run tests run, none failed")
  fi
done

echo
echo "== summary of both builds"
for line in "${failing[@]}" "${passing[@]}"; do
  echo "$line"
done
if [ -f "$logs/dev.names" ] && [ -f "$logs/sanitize.names" ]; then
  only_dev=$(comm -23 "$logs/dev.names" "$logs/sanitize.names" | paste -sd' ')
  only_sanitize=$(comm -13 "$logs/dev.names" "$logs/sanitize.names" | paste -sd' ')
  if [ -n "$only_dev" ]; then
    why=""
    case " $only_dev " in
      *" install.find_package "*)
        why=" (the install test runs in the dev build only: it installs the package and builds"
        why+=" programs against it, which the sanitizers would not check any further)" ;;
    esac
    echo "The counts differ. Only in the dev build: $only_dev$why."
  fi
  if [ -n "$only_sanitize" ]; then
    echo "Only in the sanitize build: $only_sanitize."
  fi
fi
echo "Logs of the builds and the tests: $logs/"
echo "tests: $passed_total passed, $failed_total failed"
exit "$status"
