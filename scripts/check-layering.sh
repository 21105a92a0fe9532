#!/usr/bin/env bash
# Fails when a Windows header is included outside the win32 backends, the
# Windows renderer, main and the Windows-only tests and tools.
root="${1:-.}"
cd "$root" || exit 2
hits=$(grep -r -l -i -E '#\s*include\s*[<"](windows|winuser|winreg|shellapi|shlobj|commctrl|bcrypt|wincrypt|winbase)\.h' \
  src tests 2>/dev/null | grep -v -E '(^|/)win32/|^src/main\.cpp$|^tests/(win32|e2e)/')
if [ -n "$hits" ]; then
  echo "Windows headers outside the Windows layers:"
  echo "$hits"
  exit 1
fi
echo "layering ok"
