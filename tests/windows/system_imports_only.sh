#!/bin/sh
# Each DLL we ship may import only DLLs that every Windows 10 and 11 has: a DLL of the compiler's
# runtime or of a library (zlib1.dll, say) would keep the plug-in from loading on a clean machine.
# Usage: system_imports_only.sh DLL...
set -eu
[ $# -gt 0 ] || { echo "usage: $0 DLL..." >&2; exit 2; }
status=0
for dll in "$@"; do
    imports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    if [ -z "$imports" ]; then
        echo "$dll: no import table read"
        status=1
        continue
    fi
    for import in $imports; do
        case "$import" in
            kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comdlg32.dll|\
            comctl32.dll|shlwapi.dll|version.dll|winmm.dll|ws2_32.dll|imm32.dll|msimg32.dll|uxtheme.dll|\
            dwmapi.dll|bcrypt.dll|msvcrt.dll|ucrtbase.dll|api-ms-win-*.dll) ;;
            *) echo "$dll: imports $import, which is no DLL of Windows itself"; status=1 ;;
        esac
    done
    echo "$dll imports:" $imports
done
exit $status
