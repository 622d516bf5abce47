#!/usr/bin/env bash
# Runs the demo's driver in a test prefix and checks that what it says is what
# the footprint says the run does: the installation, what is left, how much went
# and what the run wrote (line by line against "demo_run expect"), a report line
# for each item the run keeps, and the questions and log in the run's language.
#   check-demo.sh DRIVER LANG(ja|zh)
set -uo pipefail
driver=${1:?driver}; lang=${2:?language}
wine_run="$(dirname "$0")/../wine-run"
out=$("$wine_run" "$driver" run </dev/null 2>&1 | tr -d '\r')
rc=$?
echo "$out"
[ "$rc" -eq 0 ] || { echo "FAIL: the driver ended with $rc"; exit 1; }
want=$("$wine_run" "$driver" expect </dev/null 2>&1 | tr -d '\r')
rc=$?
[ "$rc" -eq 0 ] || { echo "$want"; echo "FAIL: the driver's expectation ended with $rc"; exit 1; }
fail=0

# The parts of the demo's words that the machine decides: what is installed,
# what is left, the count removed and what the run wrote.
machine() {
  awk '/^== Installed/ { on = 1 } /^== The tool/ { on = 0 } /^== What is left/ { on = 1 } /^  kept, and why/ { on = 0 } on'
}
grep -q '^== What is left ==' <<<"$want" || { echo "FAIL: the expectation says nothing of what is left"; fail=1; }
if ! differences=$(diff <(machine <<<"$want") <(machine <<<"$out")); then
  echo "FAIL: the demo's words differ from the footprint's (< expected, > said):"
  echo "$differences"
  fail=1
fi

# Each item the run keeps has its report line, saying kept or left.
kept=$(sed -n '/^  kept, and why/,$p' <<<"$out")
while IFS= read -r path; do
  grep -qF -- "$path: kept, " <<<"$kept" || grep -qF -- "$path: left, " <<<"$kept" ||
    { echo "FAIL: no report line keeps $path"; fail=1; }
done < <(sed -n '/^  kept, and why/,$p' <<<"$want" | sed -n 's/^    //p')

if [ "$lang" = zh ]; then start='所有版本的维卡托姆和维卡罗盾将被完全卸载'; logline='删除托姆文件......成功！'
else start='すべてのバージョンを完全アンインストールしますか。'; logline='ファイル削除中......アンインストールしました。'; fi
for line in "Question \[.*\]: $start" "    -> Yes" "    | $logline" "exit code 0" "The restart was declined"; do
  grep -q -- "$line" <<<"$out" || { echo "FAIL: missing: $line"; fail=1; }
done
exit "$fail"
