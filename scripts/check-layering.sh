#!/usr/bin/env bash
# Fails when the code's layers are not kept:
#  - a Windows header included outside the win32 backends, the Windows
#    renderer, main and the Windows-only tests and tools;
#  - an include that points up the layers. Dependencies point one way,
#    platform <- ui <- config <- engine <- app <- main: a folder of src/
#    includes only the folders to its left. The updater (a program of its
#    own) stands on the configuration's level: it reads the program's key
#    and nothing of the engine or the application.
root="${1:-.}"
cd "$root" || exit 2
status=0

hits=$(grep -r -l -i -E '#\s*include\s*[<"](windows|winuser|winreg|shellapi|shlobj|commctrl|bcrypt|wincrypt|winbase)\.h' \
  src tests 2>/dev/null | grep -v -E '(^|/)win32/|^src/main\.cpp$|^tests/(win32|e2e)/')
if [ -n "$hits" ]; then
  echo "Windows headers outside the Windows layers:"
  echo "$hits"
  status=1
fi

rank() {
  case $1 in
    platform) echo 1 ;;
    ui) echo 2 ;;
    config | updater) echo 3 ;;
    engine) echo 4 ;;
    app) echo 5 ;;
    *) echo 0 ;;
  esac
}
up=""
while IFS= read -r file; do
  own=$(rank "$(echo "$file" | cut -d/ -f2)")
  [ "$own" = 0 ] && continue
  while IFS= read -r included; do
    [ -n "$included" ] || continue
    if [ "$(rank "$included")" -gt "$own" ]; then up="$up
$file includes $included/"; fi
  done < <(grep -o -E '^\s*#\s*include\s*"(platform|ui|config|engine|app|updater)/' "$file" | sed -E 's/.*"([a-z]+)\/$/\1/' | sort -u)
done < <(find src -name '*.h' -o -name '*.cpp' | sort)
if [ -n "$up" ]; then
  echo "Includes that point up the layers (platform <- ui <- config <- engine <- app <- main):$up"
  status=1
fi

[ $status -eq 0 ] && echo "layering ok"
exit $status
