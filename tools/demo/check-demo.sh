#!/usr/bin/env bash
# Runs the demo's driver in a test prefix and checks that what it says is what the
# run did: the questions in the run's language, the log, a file kept because it is
# in use, the user's own file kept, the restart registration, nothing left running.
#   check-demo.sh DRIVER LANG(ja|zh)
set -uo pipefail
driver=${1:?driver}; lang=${2:?language}
out=$("$(dirname "$0")/../wine-run" "$driver" run </dev/null 2>&1 | tr -d '\r')
rc=$?
echo "$out"
[ "$rc" -eq 0 ] || { echo "FAIL: the driver ended with $rc"; exit 1; }
if [ "$lang" = zh ]; then start='所有版本的维卡托姆和维卡罗盾将被完全卸载'; logline='删除托姆文件......成功！'
else start='すべてのバージョンを完全アンインストールしますか。'; logline='ファイル削除中......アンインストールしました。'; fi
fail=0
for want in "Question \[.*\]: $start" "    -> Yes" "    | $logline" "exit code 0" \
            "removed: [1-9][0-9]* of the suite.s [1-9][0-9]* items" "TQMEngine.dll: left, in use (error 32)" \
            "MyNotes.txt: kept, not a product file" \
            "RunOnce \"TQMUNLOAD\" = \"C:.*TolmUnload.exe\" C:.*Internet Security.$" \
            "The restart was declined"; do
  grep -q -- "$want" <<<"$out" || { echo "FAIL: missing: $want"; fail=1; }
done
# The suite's services and resident programs are gone; the user's decoys stay.
left=$(sed -n '/^== What is left ==/,/the user.s own things, untouched/p' <<<"$out")
for gone in "services (" "processes (" "registry keys (" "Uninstall entries ("; do
  grep -qF -- "$gone" <<<"$left" && { echo "FAIL: still there: $gone"; fail=1; }
done
exit "$fail"
