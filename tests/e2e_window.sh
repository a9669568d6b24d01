#!/usr/bin/env bash
# The real application in a real X server, driven as a user drives it: it opens at the right
# size in the middle of the screen, the example typed into it yields results that can be copied
# out, and it scales with the display's density. Screenshots are left in OUTDIR.
#   e2e_window.sh APP OUTDIR DESKTOP_ENTRY
set -euo pipefail
app=$1
out=$2
desktop_entry=$3
for tool in Xvfb xdotool xclip xrdb xwininfo xprop import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
source "$here/lib.sh"
product_facts
source "$here/contrast_states.sh"

# One X server for the whole run, which keeps the resources xrdb sets between clients.
start_xvfb "$work/display"
pids+=("$xvfb_pid")
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# expectations per density: dpi width height
while read -r dpi width height; do
  echo "Xft.dpi: $dpi" | xrdb -nocpp -merge
  "$app" >"$work/app-$dpi.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  window=$(timeout 20 xdotool search --sync --name "$caption_pattern" | head -n 1) ||
    fail "no window titled '$SUMVANE_WINDOW_CAPTION' at $dpi dpi"

  info=$(xwininfo -id "$window")
  get() { awk -F: -v key="$1" '$1 ~ key { gsub(/ /, "", $2); print $2 }' <<<"$info"; }
  [[ "$(get 'Width')x$(get 'Height')" == "${width}x${height}" ]] ||
    fail "window is $(get 'Width')x$(get 'Height') at $dpi dpi, expected ${width}x${height}"
  centre_x=$(( $(get 'Absolute upper-left X') + width / 2 ))
  centre_y=$(( $(get 'Absolute upper-left Y') + height / 2 ))
  (( centre_x >= 638 && centre_x <= 642 && centre_y >= 398 && centre_y <= 402 )) ||
    fail "window centre at $centre_x,$centre_y, expected the screen's 640,400"

  # The desktop ties the window to its menu entry (StartupWMClass) and shows the icon.
  wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
  [[ -n "$wm_class" ]] || fail "the desktop entry names no StartupWMClass"
  # WM_CLASS is the instance and then the class; the entry names the class.
  [[ "$(xprop -id "$window" WM_CLASS)" == *", \"$wm_class\"" ]] ||
    fail "WM_CLASS $(xprop -id "$window" WM_CLASS) does not hold the entry's StartupWMClass $wm_class"
  xprop -id "$window" -len 8 _NET_WM_ICON | grep -q 'Icon (256 x 256)' || fail "no 256x256 window icon"

  xdotool windowfocus --sync "$window"
  xdotool type --delay 20 "01 A0 7C FF 02"
  copied=()
  for want in E2 226; do
    xdotool key --clearmodifiers Tab ctrl+c   # Tab selects the next result field's whole text
    await 10 "$want" x_clipboard || true      # a wrong copy shows in the check below
    copied+=("$awaited")
  done
  [[ "${copied[*]}" == "E2 226" ]] || fail "copied '${copied[*]}' at $dpi dpi, expected 'E2 226'"

  import -window "$window" "$out/window-${dpi}dpi.png"
  kill -0 "$app_pid" || fail "the application ended by itself at $dpi dpi"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  echo "ok: $dpi dpi, ${width}x${height}, copied ${copied[*]}, screenshot $out/window-${dpi}dpi.png"
done <<'EXPECTED'
96 340 253
144 510 380
EXPECTED

# Dark desktops, as Qt reads them from KDE's kdeglobals: KDE's Breeze Dark, and a mid-dark
# scheme that kept Breeze's link colour, on which the layout's red, grey and blue all read below
# 3:1. Measured on the screenshots, the status in both states: a colour the window picks in place
# of the layout's reads at 4.2:1 or more (4.5:1 less the glyphs' anti-aliased edges), every other
# text at 3:1 or more.
echo "Xft.dpi: 96" | xrdb -nocpp -merge
mkdir -p "$work/breeze-dark" "$work/mid-dark"
cat >"$work/breeze-dark/kdeglobals" <<'KDEGLOBALS'
[Colors:Window]
BackgroundNormal=32,35,38
BackgroundAlternate=41,44,48
ForegroundNormal=252,252,252
ForegroundInactive=161,169,177
ForegroundLink=29,153,243
ForegroundVisited=155,89,182
[Colors:View]
BackgroundNormal=20,22,24
ForegroundNormal=252,252,252
ForegroundLink=29,153,243
[Colors:Button]
BackgroundNormal=41,44,48
ForegroundNormal=252,252,252
[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252
KDEGLOBALS
cat >"$work/mid-dark/kdeglobals" <<'KDEGLOBALS'
[Colors:Window]
BackgroundNormal=58,58,64
BackgroundAlternate=64,64,70
ForegroundNormal=224,224,216
ForegroundInactive=150,150,146
ForegroundLink=29,153,243
ForegroundVisited=155,89,182
[Colors:View]
BackgroundNormal=46,46,51
ForegroundNormal=224,224,216
ForegroundLink=29,153,243
[Colors:Button]
BackgroundNormal=68,68,74
ForegroundNormal=224,224,216
[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252
KDEGLOBALS
# scheme, then the least contrast of the hint, the link, and the status valid and malformed:
# 4.2 where the layout's colour does not read and the window picks one
while read -r scheme hint link valid invalid <&3; do
  XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 XDG_CONFIG_HOME="$work/$scheme" "$app" >"$work/app-$scheme.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  window=$(timeout 20 xdotool search --sync --name "$caption_pattern" | head -n 1) ||
    fail "no window titled '$SUMVANE_WINDOW_CAPTION' in $scheme"
  xdotool windowfocus --sync "$window"
  measure_states "$window" "$out/window-$scheme" "in $scheme" Label1=18,8,127,13 \
    "Label6=18,54,110,13@$hint" "valid:Label9=240,54,82,13@$valid" "invalid:Label9=240,54,82,13@$invalid" \
    Label2=35,106,48,13 Label7=18,227,120,13 "Label8=180,227,142,13@$link"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  echo "ok: $scheme, every text at its least contrast: ${measured[*]}; screenshots $out/window-$scheme-*.png"
done 3<<'LEAST'
breeze-dark 3 4.2 4.2 3
mid-dark 4.2 4.2 4.2 4.2
LEAST
