#!/usr/bin/env bash
# Fails when the code's layers are not kept. Every #include of src/, tests/,
# tools/, bench/ and fuzz/ is resolved to the file it names, as the compiler
# finds it (beside the including file for "...", then in src/ and tests/;
# letter case and backslashes as Windows reads them), and:
#  - an include that names no file of the project is a system header: the C
#    and C++ standard headers may be included anywhere; POSIX, GoogleTest and
#    OpenSSL headers anywhere but in the portable sources (src/ outside the
#    fake backends); any other one is a Windows header, allowed only in the
#    win32 backends (src/platform/win32, src/ui/win32, src/updater/win32),
#    src/main.cpp and the Windows-only tests, tools and benchmarks;
#  - a file of those win32 folders may be included only from the same places;
#  - a file of src/ includes only files of src/, and only of the folders to its
#    left: platform <- ui <- config <- engine <- app <- main. The updater (a
#    program of its own) stands on the configuration's level: it reads the
#    program's key and nothing of the engine or the application, and nothing
#    but the updater includes it.
# Usage: check-layering.sh [project root]
root="${1:-.}"
cd "$root" || exit 2

folders=()
for folder in src tests tools bench fuzz; do [ -d "$folder" ] && folders+=("$folder"); done
[ ${#folders[@]} -gt 0 ] || {
  echo "no sources under $(pwd)"
  exit 2
}

find "${folders[@]}" -type f | LC_ALL=C sort | awk -v root_logical="$(pwd -L)" -v root_physical="$(pwd -P)" '
function normalized(path,   count, parts, kept, depth, i, joined) {
  count = split(path, parts, "/")
  depth = 0
  for (i = 1; i <= count; i++) {
    if (parts[i] == "" || parts[i] == ".") continue
    if (parts[i] == "..") {
      if (depth == 0) return ""  # above the project root
      depth--
      continue
    }
    kept[++depth] = parts[i]
  }
  joined = ""
  for (i = 1; i <= depth; i++) joined = joined (i > 1 ? "/" : "") kept[i]
  return joined
}
# The project file a candidate path names, "" when none.
function project_file(path,   key) {
  if (path == "") return ""
  key = tolower(normalized(path))
  return (key in files) ? files[key] : ""
}
function windows_place(path) {
  return path ~ /^src\/(platform|ui|updater)\/win32\// || path == "src/main.cpp" ||
         path ~ /^tests\/(win32|e2e)\// || path ~ /^tools\// || path ~ /^bench\/win32\//
}
function portable(path) {
  return path ~ /^src\// && path !~ /^src\/[^\/]+\/fake\//
}
function layer(path,   parts) {
  if (path == "src/main.cpp") return "main"
  split(path, parts, "/")
  return parts[2]
}
function standard_header(name,   base) {
  if (name in cpp_headers) return 1
  base = name
  sub(/\.h$/, "", base)
  return name ~ /\.h$/ && (("c" base) in cpp_headers)
}
function host_header(name) {
  return name ~ /^(gtest|gmock|openssl|libxml|sys|arpa|netinet)\// || (name in posix_headers)
}
function report(kind, text) {
  found[kind] = found[kind] "\n  " text
  status = 1
}
BEGIN {
  split("algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv chrono " \
        "cinttypes climits clocale cmath codecvt compare complex concepts condition_variable coroutine csetjmp " \
        "csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype deque exception " \
        "execution expected filesystem format forward_list fstream functional future initializer_list iomanip " \
        "ios iosfwd iostream istream iterator latch limits list locale map memory memory_resource mutex new " \
        "numbers numeric optional ostream print queue random ranges ratio regex scoped_allocator semaphore set " \
        "shared_mutex source_location span spanstream sstream stack stacktrace stdexcept stop_token streambuf " \
        "string string_view syncstream system_error thread tuple type_traits typeindex typeinfo unordered_map " \
        "unordered_set utility valarray variant vector version", names, " ")
  for (i in names) cpp_headers[names[i]] = 1
  split("unistd.h fcntl.h pthread.h dirent.h poll.h spawn.h termios.h dlfcn.h", names, " ")
  for (i in names) posix_headers[names[i]] = 1
  # What each folder of src/ may include.
  allowed["platform"] = " platform "
  allowed["ui"] = " platform ui "
  allowed["config"] = " platform ui config "
  allowed["updater"] = " platform ui config updater "
  allowed["engine"] = " platform ui config engine "
  allowed["app"] = " platform ui config engine app "
  kinds = "windows win32 layers outside unknown unreadable"
  title["windows"] = "Windows headers outside the Windows layers:"
  title["win32"] = "Windows code included outside the Windows layers:"
  title["layers"] = "Includes that point up the layers (platform <- ui <- config <- engine <- app <- main; the updater beside the engine):"
  title["outside"] = "Portable sources that include files outside src/ or host-only headers:"
  title["unknown"] = "Folders of src/ that are no layer:"
  title["unreadable"] = "Includes the check cannot resolve:"
}
{ files[tolower($0)] = $0; order[++total] = $0 }
END {
  for (n = 1; n <= total; n++) {
    file = order[n]
    if (file !~ /\.(h|hh|hpp|hxx|c|cc|cpp|cxx|inl|ipp)$/) continue
    own = file ~ /^src\// ? layer(file) : ""
    if (own != "" && own != "main" && !(own in allowed)) report("unknown", file)
    dir = file
    sub(/\/[^\/]*$/, "", dir)
    number = 0
    while ((getline line < file) > 0) {
      number++
      if (line !~ /^[ \t]*#[ \t]*include/) continue
      rest = line
      sub(/^[ \t]*#[ \t]*include[ \t]*/, "", rest)
      opening = substr(rest, 1, 1)
      closing = opening == "<" ? ">" : "\""
      end = index(substr(rest, 2), closing)
      if ((opening != "<" && opening != "\"") || end < 2) {
        report("unreadable", file ":" number ": " line)
        continue
      }
      name = substr(rest, 2, end - 1)
      gsub(/\\/, "/", name)
      where = name
      if (index(name, root_logical "/") == 1) where = substr(name, length(root_logical) + 2)
      else if (index(name, root_physical "/") == 1) where = substr(name, length(root_physical) + 2)
      target = ""
      if (where != name) target = project_file(where)
      else if (name !~ /^\//) {
        if (opening == "\"") target = project_file(dir "/" name)
        if (target == "") target = project_file("src/" name)
        if (target == "") target = project_file("tests/" name)
      }
      shown = file ":" number " includes " name
      if (target == "") {
        if (standard_header(name)) continue
        if (host_header(name)) {
          if (portable(file)) report("outside", shown)
        } else if (!windows_place(file)) {
          report("windows", shown)
        }
        continue
      }
      if (target ~ /^src\/[^\/]+\/win32\// && !windows_place(file)) report("win32", shown " (" target ")")
      if (own == "" || own == "main") continue
      if (target !~ /^src\//) {
        report("outside", shown " (" target ")")
        continue
      }
      theirs = target == "src/main.cpp" ? "main" : layer(target)
      if (own in allowed && index(allowed[own], " " theirs " ") == 0) report("layers", shown " (" target ")")
    }
    close(file)
  }
  count = split(kinds, kind_list, " ")
  for (k = 1; k <= count; k++) {
    if (kind_list[k] in found) print title[kind_list[k]] found[kind_list[k]]
  }
  if (!status) print "layering ok"
  exit status
}'
