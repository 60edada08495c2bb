#!/usr/bin/env bash
# Makes the README's screenshots again: starts the real program under a private X server in a
# fresh home with a small generated journal, with the clock set to a fixed day so every run
# shows the same month, and saves the calendar, the editor, the notebook, the search window and
# the print window as PNG files in docs/screenshots/, with a printed page (page.png) taken from
# the PDF the print window saves.
#
#   scripts/screenshots.sh            builds the program first when build/orvane is missing
#   BUILD=path scripts/screenshots.sh uses another build folder
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD:-$root/build}
out=$root/docs/screenshots

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

# The day the program believes it is, and the month the journal fills around it.
today='2025-05-21 10:00:00'

# Waits up to 20 seconds for a visible window whose name matches $1 and prints its id.
wait_for() {
    local id deadline=$((SECONDS + 20))
    while ((SECONDS < deadline)); do
        kill -0 "$ORVANE_PID" 2>/dev/null || fail "the program ended; its output: $(cat "$LOG")"
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    fail "no window named '$1' appeared; windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
}

# Saves the window $1 as $2.png, cut from the whole screen so that menus and tool tips that
# sit over it are in the picture too.
shoot() {
    local id=$1 name=$2 X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$id")"
    # Let the window finish painting.
    sleep 1
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$name.png"
    echo "screenshots: $out/$name.png (${WIDTH}x${HEIGHT})"
}

focus() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null || true
}

inside_x() {
    LOG=$WORK/orvane.log
    FAKETIME="@$today" FAKETIME_DONT_FAKE_MONOTONIC=1 \
        LD_PRELOAD=$FAKETIME_LIB "$build/orvane" >"$LOG" 2>&1 &
    ORVANE_PID=$!
    trap 'kill "$ORVANE_PID" 2>/dev/null; wait "$ORVANE_PID" 2>/dev/null' EXIT

    local cal
    cal=$(wait_for '^Velmoraカレンダー')
    xdotool windowmove --sync "$cal" 20 20
    shoot "$cal" calendar

    # The editor, opened on the day with a picture by a double-click on its cell.
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$cal")"
    xdotool mousemove --sync $((X + CELL_X)) $((Y + CELL_Y)) click --repeat 2 --delay 80 1
    local editor
    editor=$(wait_for '^Velmora絵日記')
    xdotool windowmove --sync "$editor" 60 40
    shoot "$editor" editor
    # Back to the calendar without saving.
    focus "$editor"
    xdotool key --clearmodifiers F4
    sleep 0.5

    # The year notebook, from the calendar's option menu.
    focus "$cal"
    xdotool key --clearmodifiers alt+o
    sleep 0.3
    xdotool key --clearmodifiers b
    local notebook
    notebook=$(wait_for '手帳')
    xdotool windowmove --sync "$notebook" 40 30
    shoot "$notebook" notebook
    # Out of the way of the search window, which has no window manager to close it.
    xdotool windowmove --sync "$notebook" 1000 700

    # The search window with a Japanese query, put in through the clipboard.
    focus "$cal"
    xdotool key --clearmodifiers ctrl+f
    local finder
    finder=$(wait_for '検索')
    xdotool windowmove --sync "$finder" 40 30
    focus "$finder"
    printf '%s' "$QUERY" | xclip -selection clipboard 2>/dev/null
    xdotool key --clearmodifiers ctrl+v Return
    shoot "$finder" search
    xdotool windowmove --sync "$finder" 1000 700

    # The print window on the day with the picture (the calendar still highlights it), its
    # pages saved as a PDF file through the file chooser.
    focus "$cal"
    xdotool key --clearmodifiers alt+f
    sleep 0.3
    xdotool key --clearmodifiers p
    local book
    book=$(wait_for '絵日記の印刷')
    xdotool windowmove --sync "$book" 20 20
    sleep 1
    shoot "$book" print
    eval "$(xdotool getwindowgeometry --shell "$book")"
    xdotool mousemove --sync $((X + PDF_X)) $((Y + PDF_Y)) click 1
    local chooser
    chooser=$(wait_for 'PDFに保存')
    focus "$chooser"
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$WORK/page.pdf"
    xdotool key --clearmodifiers Return
    local deadline=$((SECONDS + 20))
    until [[ -s "$WORK/page.pdf" ]] || ((SECONDS > deadline)); do sleep 0.2; done
    [[ -s "$WORK/page.pdf" ]] || fail "the PDF was not saved"
    pdftoppm -r 50 -f 1 -l 1 -png -singlefile "$WORK/page.pdf" "$out/page"
    echo "screenshots: $out/page.png"
}

if [[ "${1:-}" == "--inside-x" ]]; then
    inside_x
    exit $?
fi

for tool in xvfb-run xdotool sqlite3 import convert faketime xclip pdftoppm; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done
FAKETIME_LIB=$(find /usr/lib -name libfaketimeMT.so.1 -path '*faketime*' | head -1)
[[ -n "$FAKETIME_LIB" ]] || fail "libfaketimeMT.so.1 is not installed"
export FAKETIME_LIB

if [[ ! -x "$build/orvane" ]]; then
    cmake -S "$root" -B "$build" -G Ninja
    cmake --build "$build" --target orvane
fi

# A fixed folder rather than a random one: the editor's status line shows the picture's path.
WORK=${TMPDIR:-/tmp}/orvane-screenshots
rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
export WORK
export HOME=$WORK/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p "$XDG_DATA_HOME/orvane/Graphic" "$XDG_CONFIG_HOME/orvane" "$XDG_RUNTIME_DIR" "$out"
chmod 700 "$XDG_RUNTIME_DIR"
graphic=$XDG_DATA_HOME/orvane/Graphic
journal=$XDG_DATA_HOME/orvane/orvane.mdb

# The day's picture: a small landscape, as a paint program would save it.
convert -size 240x160 gradient:'#9fd3f5-#e8f6ff' \
    -fill '#f6c343' -draw 'circle 190,40 190,62' \
    -fill '#5aa75a' -draw 'polygon 0,160 0,110 60,70 120,115 170,85 240,125 240,160' \
    -fill '#8a5a3b' -draw 'rectangle 52,118 58,140' -fill '#3f8f3f' -draw 'circle 55,112 55,98' \
    BMP3:"$graphic/20250518.bmp"

sqlite3 "$journal" <<SQL
CREATE TABLE "Mirel" ("Reg_dat" DATETIME NOT NULL, "Mirel_txt" LONGTEXT, "Memo_txt" LONGTEXT,
  "Pic_txt" VARCHAR(100) CONSTRAINT "len_Pic_txt_100" CHECK (length("Pic_txt") <= 100),
  "Error_kbn" BIT CONSTRAINT "yn_Error_kbn" CHECK ("Error_kbn" IN (0, -1)),
  "Treat_dat" DATETIME, "Treat_tim" DATETIME,
  "Terminal_nam" VARCHAR(30) CONSTRAINT "len_Terminal_nam_30" CHECK (length("Terminal_nam") <= 30),
  CONSTRAINT mirel PRIMARY KEY ("Reg_dat"));
INSERT INTO Mirel (Reg_dat, Mirel_txt, Memo_txt, Pic_txt, Error_kbn) VALUES
 ('2025-04-29 00:00:00', '昭和の日。図書館で古い地図の本を借りた。', '図書館', '', 0),
 ('2025-05-03 00:00:00', '連休の初日。川沿いを自転車で走って、土手でお弁当を食べた。風が気持ちよかった。', '自転車で川沿いへ', '', 0),
 ('2025-05-05 00:00:00', 'こどもの日。柏餅を買ってきて、家族でお茶にした。', '柏餅', '', 0),
 ('2025-05-10 00:00:00', '雨。一日中、部屋で本を読んだ。夕方に少しだけ晴れ間が見えた。', '雨の読書', '', 0),
 ('2025-05-14 00:00:00', '仕事帰りに新しいパン屋を見つけた。明日の朝ごはんにクロワッサンを二つ。', 'パン屋', '', 0),
 ('2025-05-18 00:00:00', '晴れ。丘の上の公園まで散歩して、大きな木の絵を描いた。空がとても青かった。', '公園で写生', '$graphic/20250518.bmp', 0),
 ('2025-05-20 00:00:00', '友だちと電話で長話。来月の旅行の計画を立てた。', '旅行の計画', '', 0),
 ('2025-05-21 00:00:00', '朝から散歩。ツツジがきれいに咲いていた。', 'ツツジ', '', 0),
 ('2025-06-01 00:00:00', '衣替え。夏の服を出した。', '衣替え', '', 0);
SQL

printf '[Option]\npPath=/bin/true\nmdbPath=%s\ngPath=%s\n' "$journal" "$graphic" \
    >"$XDG_CONFIG_HOME/orvane/orvane.ini"
unset QT_QPA_PLATFORM
export QUERY='散歩'
# The middle of the 18th's cell inside the calendar window: weeks start on Monday and May 2025
# on a Thursday, so the 18th is the Sunday of the third row (cells of 56 x 35 pixels from 8, 81).
export CELL_X=$((8 + 6 * 56 + 28)) CELL_Y=$((81 + 2 * 35 + 17))
# The middle of the print window's PDFに保存... button.
export PDF_X=170 PDF_Y=651

xvfb-run -a -s "-screen 0 1280x1024x24" bash "${BASH_SOURCE[0]}" --inside-x
