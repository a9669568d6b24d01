# Sourced by the end-to-end tests: the status in both its states, measured on screenshots.
#   measure_states WINDOW SCREENSHOT_PREFIX WHERE REGION...
# Types the example into the focused data field (valid), then deletes its last digit
# (malformed); after each, a screenshot SCREENSHOT_PREFIX-valid.png / -invalid.png and every
# region's contrast (screen_contrast.py). Fails, naming WHERE, when a text reads below 3:1;
# leaves the contrasts in the array measured.
measure_states() {
  local window=$1 shot=$2 where=$3 state report
  shift 3
  measured=()
  for state in valid invalid; do
    if [[ $state == valid ]]; then xdotool type --delay 30 "01 A0 7C FF 02"; else xdotool key BackSpace; fi
    sleep 0.5
    import -window "$window" "$shot-$state.png"
    report=$("$(dirname "${BASH_SOURCE[0]}")/screen_contrast.py" "$shot-$state.png" "$@") ||
      { echo "$report"; fail "a text reads below 3:1 $where ($state)"; }
    measured+=("$state: $(awk '{print $1, $2}' <<<"$report" | paste -sd, -)")
  done
}
