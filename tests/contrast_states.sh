# Sourced by the end-to-end tests: the status in both its states, measured on screenshots.
#   measure_states WINDOW SCREENSHOT_PREFIX WHERE REGION...
# Types the example into the focused data field (valid), then deletes its last digit
# (malformed); after each, a screenshot SCREENSHOT_PREFIX-valid.png / -invalid.png and every
# region's contrast (screen_contrast.py: NAME=X,Y,W,H[@LEAST]; one prefixed "valid:" or
# "invalid:" is measured in that state only). Fails, naming WHERE, when a text reads below its
# least; leaves the contrasts in the array measured.
# The screenshot is taken once the status (the region named Label9) has changed and then held
# still for two looks in a row, and, where the caller defines status_shown STATE (which waits
# until the window reports that state's status), once that has returned.
measure_states() {
  local window=$1 shot=$2 where=$3 state report status before region
  shift 3
  status=$(printf '%s\n' "$@" |
    sed -n 's/^\([a-z]*:\)\{0,1\}Label9=\([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\)\(@.*\)\{0,1\}$/\4x\5+\2+\3/p' |
    head -n 1)
  measured=()
  for state in valid invalid; do
    local regions=()
    for region in "$@"; do
      case $region in
        valid:* | invalid:*) [[ ${region%%:*} == "$state" ]] && regions+=("${region#*:}") ;;
        *) regions+=("$region") ;;
      esac
    done
    before=$(status_pixels "$window" "$status")
    if [[ $state == valid ]]; then xdotool type --delay 30 "01 A0 7C FF 02"; else xdotool key BackSpace; fi
    if declare -F status_shown >/dev/null; then
      status_shown "$state" || fail "the status is not the $state one $where"
    fi
    await 20 settled status_settled "$window" "$status" "$before" ||
      fail "the status did not change $where ($state)"
    import -window "$window" "$shot-$state.png"
    report=$("$(dirname "${BASH_SOURCE[0]}")/screen_contrast.py" "$shot-$state.png" "${regions[@]}") ||
      { echo "$report"; fail "a text reads below its least contrast $where ($state)"; }
    measured+=("$state: $(awk '{print $1, $2}' <<<"$report" | paste -sd, -)")
  done
}

status_pixels() { import -window "$1" -crop "$2" rgb:- | md5sum; }

# For await: "settled" once the status's pixels differ from PIXELS-BEFORE and are the same as at
# the look before (which await keeps in $awaited); else the pixels.
status_settled() { # WINDOW GEOMETRY PIXELS-BEFORE
  local now
  now=$(status_pixels "$1" "$2")
  if [[ "$now" != "$3" && "$now" == "$awaited" ]]; then echo settled; else echo "$now"; fi
}
