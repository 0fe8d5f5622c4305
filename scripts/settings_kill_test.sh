#!/usr/bin/env bash
# Kills settings saves with SIGKILL at random moments, many times, and checks
# after each kill (and with loads running during the saves) that TWS.cfg holds
# the old or the new settings, whole; then loads it while another program
# rewrites it in place, each load refused or whole. Usage: scripts/settings_kill_test.sh [rounds]
# Needs the build (cmake --build build --target shared_Configintf_test vclrt_tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-300}
cd "$root/build"
echo "== TTidewashConfig: $rounds killed savers"
TWS_KILL_ROUNDS=$rounds out/shared_Configintf_test --gtest_brief=1 \
  --gtest_filter='TidewashConfig.KilledSaversAndConcurrentLoadsSeeOldOrNewSettings'
echo "== TTidewashConfig: $(( rounds * 20 )) loads while another program rewrites TWS.cfg in place"
TWS_REWRITE_LOADS=$(( rounds * 20 )) out/shared_Configintf_test --gtest_brief=1 \
  --gtest_filter='TidewashConfig.ARewriteInPlaceIsNeverReadAsFewerExclusions'
echo "== INI files: the suite's killed writers, repeated"
out/vclrt_tests --gtest_brief=1 --gtest_repeat=$(( (rounds + 19) / 20 )) \
  --gtest_filter='IniFile.Killed*' | grep -E 'PASSED|FAILED' | sort | uniq -c
