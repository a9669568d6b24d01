# The environment every Windows program of the tests runs in; sourced by the Wine scripts with
# the prefix:   source env.sh PREFIX
# The prefix lives in the build folder and may be given relative (Wine wants it absolute); Wine
# writes nothing into the home folder and prints none of its own diagnostics.
WINEPREFIX=$(realpath -m -- "$1")
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The command that runs a Windows program: "${wine[@]}" PROGRAM [ARGS...] (wineboot, reg, an .exe).
# Every program starts from the 64-bit loader where there is one: it runs a 64-bit program itself
# and hands a 32-bit one over to the 32-bit loader beside it. So no 64-bit test ever starts the
# 32-bit loader, which a kernel without IA32 emulation runs only through an emulator, if at all.
# (Debian's wine script would start everything with the 32-bit loader whenever it is there.)
wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
# Ends this prefix's Wine and starts it again, kept up and with its services booted, so that
# what Wine reads only at start (the font list, the pixels per inch) is read anew. The output
# goes to /dev/null: its helpers would otherwise hold a test's pipes open.
wine_restart() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1 || true
  "${wine[@]}" wineboot </dev/null >/dev/null 2>&1
}
# reg.exe with its arguments, tried up to three times: started while the prefix is still busy
# (a server just restarted, the machine loaded), it now and then fails without having written.
wine_reg() {
  local try
  for try in 1 2 3; do
    "${wine[@]}" reg "$@" </dev/null >/dev/null 2>&1 && return 0
  done
  return 1
}
wine=(wine)
if [[ -x /usr/lib/wine/wine64 ]]; then
  export WINELOADER=/usr/lib/wine/wine64
  wine=(/usr/lib/wine/wine64)
fi
