#!/usr/bin/env bash
# run_scenario.sh KORVANE_CLI SCENARIO EXPECTED_EXIT WORK_DIR
# Runs a scenario with fresh data, output and settings folders under WORK_DIR, checks the
# exit status, then runs SCENARIO's .check.py (if any) on the output folder.
set -u
cli=$1 scn=$2 expected=$3 work=$4
rm -rf "$work"
mkdir -p "$work/data" "$work/out"
"$cli" script "$scn" --data-dir "$work/data" --output-dir "$work/out" --settings "$work/settings.ini"
status=$?
if [ "$status" -ne "$expected" ]; then
  echo "exit status $status, expected $expected"
  exit 1
fi
check="${scn%.scn}.check.py"
check="${check%.fails.check.py}"
if [ -f "${scn%.scn}.check.py" ]; then
  /usr/bin/python3 "${scn%.scn}.check.py" "$work/out" || exit 1
fi
exit 0
