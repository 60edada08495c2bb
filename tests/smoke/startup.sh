#!/usr/bin/env bash
# First start of the real program in a fresh home folder under a private X server: answer the
# journal question with Enter as a person would, then check the calendar window's clock title,
# the new journal file and that nothing the program made is open to other accounts.
#
#   bash startup.sh path/to/orvane
set -u

fail() {
    echo "startup smoke test: $*" >&2
    exit 1
}

# Waits up to $3 seconds for a visible window matching the pattern $1 whose name is exactly the
# output of the command $2 (run anew on every poll, so a date that changes at midnight is still
# matched) and prints its id. Returns 2 when the program has ended.
wait_for_window() {
    local pattern=$1 expected_cmd=$2 seconds=$3 expected id
    local deadline=$((SECONDS + seconds))
    while ((SECONDS < deadline)); do
        kill -0 "$ORVANE_PID" 2>/dev/null || return 2
        expected=$($expected_cmd)
        for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
            if [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$expected" ]]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

question_title() { printf 'ORVANE'; }

calendar_title() {
    local weekdays=(日 月 火 水 木 金 土)
    printf 'Velmoraカレンダー   %s (%s)' "$(date +%y/%m/%d)" "${weekdays[$(date +%w)]}"
}

inside_x() {
    local binary=$1 log=$2
    "$binary" >"$log" 2>&1 &
    ORVANE_PID=$!
    trap 'kill "$ORVANE_PID" 2>/dev/null; wait "$ORVANE_PID" 2>/dev/null' EXIT

    local question status
    question=$(wait_for_window '^ORVANE$' question_title 20)
    status=$?
    ((status != 2)) || fail "the program ended before asking for the journal; its output: $(cat "$log")"
    ((status == 0)) ||
        fail "the journal question (a window titled ORVANE) did not appear; program output: $(cat "$log")"
    xdotool windowfocus --sync "$question" 2>/dev/null || xdotool windowfocus "$question"
    xdotool key --clearmodifiers Return

    wait_for_window '^Velmora' calendar_title 20 >/dev/null ||
        fail "no window titled '$(calendar_title)' appeared; windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|'); program output: $(cat "$log")"

    local journal=$XDG_DATA_HOME/orvane/orvane.mdb
    [[ -f "$journal" ]] || fail "the journal $journal was not created"
    local tables
    tables=$(sqlite3 "$journal" "select name from sqlite_master where type = 'table'") ||
        fail "sqlite3 cannot read $journal"
    [[ "$tables" == "Mirel" ]] || fail "the journal holds the tables '$tables' instead of Mirel"

    # The start-up backup comes two seconds after the calendar; its files are checked too.
    local deadline=$((SECONDS + 20))
    until compgen -G "$XDG_DATA_HOME/orvane/Backup/*/orvane-*.mdb" >/dev/null; do
        ((SECONDS < deadline)) || fail "no start-up backup appeared; program output: $(cat "$log")"
        sleep 0.2
    done
    # The program ran under umask 022, yet nothing it made (nor its settings folder, made open
    # here as an older version did) is open to the group or others.
    local folders=("$XDG_DATA_HOME/orvane" "$XDG_CONFIG_HOME/orvane") open
    [[ -d "$HOME/.cache/orvane" ]] && folders+=("$HOME/.cache/orvane")
    open=$(find "${folders[@]}" -perm /077 -printf '%m %p|') || fail "cannot look through ${folders[*]}"
    [[ -z "$open" ]] || fail "open to other accounts: $open"
    echo "startup smoke test: passed"
}

if [[ "${1:-}" == "--inside-x" ]]; then
    inside_x "$2" "$3"
    exit $?
fi

binary=${1:-}
[[ -n "$binary" && -x "$binary" ]] || fail "give the path of the orvane program"
binary=$(realpath "$binary")
for tool in xvfb-run xdotool sqlite3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config XDG_RUNTIME_DIR=$work/runtime
# The usual mask of a desktop session, which leaves new files readable by every account.
umask 022
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/orvane" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# A paint program that exists, so the first start goes straight to the journal question. The
# file is the user's own, kept private; the program never changes an existing file's modes.
printf '[Option]\npPath=/bin/true\n' >"$XDG_CONFIG_HOME/orvane/orvane.ini"
chmod 600 "$XDG_CONFIG_HOME/orvane/orvane.ini"
unset QT_QPA_PLATFORM

xvfb-run -a -s "-screen 0 1024x768x24" bash "${BASH_SOURCE[0]}" --inside-x "$binary" "$work/orvane.log"
