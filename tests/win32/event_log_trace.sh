#!/usr/bin/env bash
# Runs the event log's backend test with ReportEventW traced (Wine 8 only traces
# it: fixme:advapi the handle, type, category, id and count, then each text on the
# eventlog channel) and checks that every event the test expects reached it.
# Usage: event_log_trace.sh <wine> <win32_tests.exe>
set -uo pipefail
wine=$1
tests=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# To a file: Wine's services, if this starts them, would hold a pipe open.
WINEDEBUG=-all,fixme+advapi,trace+eventlog,warn+eventlog,err+eventlog \
  timeout 300 "$wine" "$tests" --gtest_filter='EventLogBackend.*' >"$work/out" 2>&1 </dev/null
status=$?
if [ $status -ne 0 ]; then
  cat "$work/out"
  echo "The backend test failed (exit code $status)."
  exit 1
fi
tr -d '\r' <"$work/out" | sed -n 's/^event-log expects: //p' | sort >"$work/expected"
# One line per call: type, id and its texts, gathered per thread.
tr -d '\r' <"$work/out" | awk '
  function emit(tid) { if (tid in call) { print call[tid]; delete call[tid] } }
  match($0, /^[0-9a-f]+:fixme:advapi:ReportEventW \(/) {
    tid = substr($0, 1, index($0, ":") - 1)
    emit(tid)
    split(substr($0, RLENGTH + 1), arg, ",")
    call[tid] = arg[2] " " arg[4]
    next
  }
  match($0, /^[0-9a-f]+:(trace|warn|err):eventlog:ReportEventW /) {
    tid = substr($0, 1, index($0, ":") - 1)
    if (tid in call) call[tid] = call[tid] " " substr($0, RLENGTH + 1)
    next
  }
  END { for (tid in call) print call[tid] }
' | sort >"$work/seen"
if [ ! -s "$work/expected" ]; then
  cat "$work/out"
  echo "The backend test printed no events."
  exit 1
fi
missing=$(comm -23 "$work/expected" "$work/seen")
if [ -n "$missing" ]; then
  echo "These events did not reach ReportEventW:"
  echo "$missing"
  echo "What did:"
  cat "$work/seen"
  exit 1
fi
echo "$(wc -l <"$work/expected") events reached ReportEventW."
