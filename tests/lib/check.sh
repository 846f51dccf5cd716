# Shared checks of the shell test scripts (tests/e2e/run, tests/builder/run): one pair of
# counters, one meaning for each check, one summary line. Source it, then call the checks;
# end the script with `check_summary LABEL`, which prints "LABEL: N passed, M failed" and
# returns non-zero when anything failed.
#   pass [NAME]                      counts a passed check (prints it when named)
#   fail NAME [DETAIL]               counts a failed check, prints it and the detail indented
#   check NAME COMMAND...            the command succeeds
#   check_eq NAME ACTUAL EXPECTED    the two texts are equal
#   check_match NAME ACTUAL REGEX    the text matches the extended regular expression
#   check_contains NAME ACTUAL PART  the text contains the part

check_passed=0
check_failed=0

pass() {
  check_passed=$((check_passed + 1))
  [ -z "${1:-}" ] || echo "  ok    $1"
}
fail() {
  check_failed=$((check_failed + 1))
  echo "  FAIL  $1"
  [ -z "${2:-}" ] || printf '%s\n' "$2" | sed 's/^/          /'
}
check() {
  local name=$1; shift
  if "$@"; then pass "$name"; else fail "$name" "failed: $*"; fi
}
check_eq() {
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "expected: $3"$'\n'"actual:   $2"; fi
}
check_match() {
  if [[ "$2" =~ $3 ]]; then pass "$1"; else fail "$1" "expected to match: $3"$'\n'"actual:   $2"; fi
}
check_contains() {
  if [[ "$2" == *"$3"* ]]; then pass "$1"; else fail "$1" "expected to contain: $3"$'\n'"actual:   $2"; fi
}
check_summary() {
  echo "$1: $check_passed passed, $check_failed failed"
  [ "$check_failed" -eq 0 ]
}
