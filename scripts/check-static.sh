#!/usr/bin/env bash
# Fails when a Windows program of the given build folders needs a DLL that is
# not part of Windows itself (a MinGW runtime DLL beside the .exe would be).
set -euo pipefail
status=0
for dir in "$@"; do
  while IFS= read -r exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" 2>/dev/null | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z')
    for dll in $dlls; do
      case "$dll" in
        kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|advapi32.dll|shell32.dll|ole32.dll|comdlg32.dll|msvcrt.dll|ws2_32.dll|api-ms-win-*|ntdll.dll|shlwapi.dll|version.dll|bcrypt.dll) ;;
        *) echo "check-static: $exe needs $dll" >&2; status=1 ;;
      esac
    done
  done < <(find "$dir" -name '*.exe' -not -path '*/wineprefix/*' -not -path '*/CMakeFiles/*')
done
exit $status
