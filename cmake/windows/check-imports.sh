#!/usr/bin/env bash
# Fails when a Windows program in the build folder imports a DLL that Windows itself does not
# ship (zlib1.dll, libstdc++-6.dll, libwinpthread-1.dll ...): Wine would hide the missing DLL,
# a user's Windows would not start the program.
#
#   cmake/windows/check-imports.sh BUILD_FOLDER
set -euo pipefail
folder=${1:?usage: check-imports.sh BUILD_FOLDER}
# Windows' own DLLs that the programs may use (lower case).
allowed=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll gdiplus.dll
  iphlpapi.dll kernel32.dll msvcrt.dll mswsock.dll ntdll.dll ole32.dll oleaut32.dll secur32.dll
  shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winhttp.dll wininet.dll
  ws2_32.dll "
# One blank between names, so that a name at the end of a line above matches too.
allowed=" $(tr -s '[:space:]' ' ' <<<"$allowed") "
status=0
count=0
while IFS= read -r -d '' program; do
  count=$((count + 1))
  while read -r dll; do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    if [[ "$allowed" != *" $lower "* ]]; then
      echo "check-imports: ${program#"$folder"/} imports $dll, which Windows does not ship" >&2
      status=1
    fi
  done < <(i686-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$folder" -name '*.exe' -not -path '*/CMakeFiles/*' -print0)
if [ "$count" -eq 0 ]; then
  echo "check-imports: no programs found below $folder" >&2
  exit 1
fi
[ "$status" -eq 0 ] && echo "check-imports: $count programs import only Windows' own DLLs"
exit "$status"
