#!/usr/bin/env bash
# Checks the resources a Windows installer program carries, read back from the file: the skin
# archive (ZIPRES 104), the language pack (RCDATA 105), the domain code (RCDATA 106), the icon
# (101), the version block with its FileDescription, and a manifest that asks for administrator
# rights, names Windows 7 to 11 and depends on the common controls 6.
#
#   cmake/windows/check-resources.sh PROGRAM.exe
set -euo pipefail
program=${1:?usage: check-resources.sh PROGRAM.exe}
script=$(mktemp)
trap 'rm -f "$script"' EXIT
i686-w64-mingw32-windres -i "$program" -O rc -o "$script"
status=0
expect() {  # description, fixed text that the decompiled resource script must hold
  if ! grep -qF -- "$2" "$script"; then
    echo "check-resources: $(basename "$program") lacks $1 ($2)" >&2
    status=1
  fi
}
expect "the skin archive" '104 "ZIPRES"'
expect "the language pack" '105 RCDATA'
expect "the domain code" '106 RCDATA'
expect "the icon" '101 14 /* RT_GROUP_ICON */'
expect "the version block" '1 VERSIONINFO'
expect "the description" 'VALUE "FileDescription", "Kelvane Wayvo Setup"'
expect "the manifest" '1 24 /* RT_MANIFEST */'
expect "administrator rights" 'level=""requireAdministrator""'
expect "Windows 7" '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'
expect "Windows 8" '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}'
expect "Windows 8.1" '{1f676c76-80e1-4239-95bb-83d0f6d0da78}'
expect "Windows 10 and 11" '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
expect "the common controls 6" 'name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0""'
[ "$status" -eq 0 ] && echo "check-resources: $(basename "$program") carries every resource"
exit "$status"
