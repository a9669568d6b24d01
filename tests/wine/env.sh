# The environment every Windows program of the tests runs in; sourced by the Wine scripts with
# the prefix:   source env.sh PREFIX
# The prefix lives in the build folder and may be given relative (Wine wants it absolute); Wine
# writes nothing into the home folder and prints none of its own diagnostics.
WINEPREFIX=$(realpath -m -- "$1")
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The command that runs a Windows program: "${wine[@]}" PROGRAM [ARGS...] (wineboot, reg, an .exe).
# Debian's wine starts every program with the 32-bit loader whenever wine32 is installed. A
# kernel without 32-bit support (no IA32 emulation) cannot execute that loader at all; there the
# 64-bit loader runs the 64-bit programs, and 32-bit ones cannot run (wine_runs_32bit says so).
wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
wine=(wine)
if [[ -x /usr/lib/wine/wine64 ]] && ! wine_runs_32bit; then
  export WINELOADER=/usr/lib/wine/wine64
  wine=(/usr/lib/wine/wine64)
fi
