# Sourced by the scripts that run sanitized programs: every finding ends the program with an
# error, and leaks are reported except for the third-party ones listed beside this file.
here_="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here_/lsan-suppressions.txt:print_suppressions=0"
unset here_
