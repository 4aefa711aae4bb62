#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed programs from another folder:
# their --version and --help, xlcell on a workbook, the page host answering, the desktop entry,
# and the window started offscreen, which must start the installed page host beside it.
# Usage: installed_programs_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
prefix=$work/prefix
children=()
cleanup() {
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
mkdir "$work/elsewhere" && cd "$work/elsewhere"
unset VELTRANO_PAGE_HOST

for program in veltrano veltrano-pagehost xlcell veltrano-batch; do
  version=$("$prefix/bin/$program" --version)
  [[ $version =~ ^$program\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "$program --version said: $version"
  "$prefix/bin/$program" --help | grep -q "^usage: $program" || fail "$program --help"
done

desktop-file-validate "$prefix/share/applications/veltrano.desktop" || fail "desktop entry"
for file in share/icons/hicolor/scalable/apps/veltrano.svg share/icons/hicolor/256x256/apps/veltrano.png \
            share/man/man1/xlcell.1 share/man/man1/veltrano-pagehost.1 share/man/man1/veltrano-batch.1; do
  [[ -s $prefix/$file ]] || fail "$file not installed"
done
private=$(dirname "$(readlink -f "$prefix/bin/veltrano")")
for picture in HAND-M.CUR drag.ico; do
  [[ -s $private/$picture ]] || fail "$picture is not beside the program"
done

sheets=$("$prefix/bin/xlcell" sheets "$source/tests/spreadsheet/data/openpyxl_features.xlsx")
[[ $sheets == 1$'\t'* ]] || fail "xlcell sheets said: $sheets"

# The page host answers /health on the port it prints.
coproc host { exec "$prefix/bin/veltrano-pagehost" --port 0; }
children+=("$host_PID")
read -r -t 30 line <&"${host[0]}" || fail "page host printed no address"
port=${line##*:}
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /health HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nConnection: close\r\n\r\n' "$port" >&3
read -r -t 30 status <&3 || true
exec 3<&-
[[ $status == "HTTP/1.1 200"* ]] || fail "page host answered: $status"
# ... and translates with its installed vocabulary ("Date" alone would come back "Cita").
body='{"sl":"en","tl":"es","q":["Ship date"]}'
exec 3<>"/dev/tcp/127.0.0.1/${line##*:}"
printf 'POST /api/translate HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nConnection: close\r\nContent-Type: application/json\r\nContent-Length: %d\r\n\r\n%s' "$port" \
  "${#body}" "$body" >&3
answer=$(timeout 30 cat <&3 || true)
exec 3<&-
[[ $answer == *'"Fecha de env'* ]] || fail "installed page host translated: $answer"

# The window, offscreen, with its settings kept apart; it says when its page has loaded.
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 VELTRANO_STARTUP_REPORT=1
mkfifo "$work/window.err"
"$prefix/bin/veltrano" 2>"$work/window.err" &
window=$!
children+=("$window")
exec 4<"$work/window.err"
said=""
while read -r -t 120 line <&4; do
  said+="$line"$'\n'
  [[ $line == "veltrano: translation page"* ]] && break
done
[[ $said == *"veltrano: translation page loaded"* ]] || fail "window said: $said"
started=""
for stat in /proc/[0-9]*/stat; do
  fields=$(sed -E 's/.*\) //' "$stat" 2>/dev/null) || continue   # state, parent, ...
  read -r _ parent _ <<<"$fields"
  [[ $parent == "$window" ]] && started+="$(readlink -f "${stat%/stat}/exe") "
done
[[ $started == *"$private/veltrano-pagehost "* ]] || fail "the window started: $started"
echo "installed programs work from $prefix"
