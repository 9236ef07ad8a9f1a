#!/usr/bin/env bash
# check_style.sh format|tidy: the style gate of ./run test.
#   format  every tracked C++ file against .clang-format (clang-format 14); names each file that
#           differs and how to fix it.
#   tidy    the .clang-tidy checks, warnings as errors, over the C++ files changed since the merge
#           base with main (a changed header through a file that includes it); over all files
#           when there is no main to compare with or with KV_TIDY=all, as .ci/run asks. Names each
#           file with its warnings. All files take several minutes on a 2-core machine.
set -uo pipefail
cd "$(dirname "$0")/../.."

format_check() {
  local failed
  failed=$(git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run -Werror 2>&1 |
    sed -n 's/^\([^: ]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
  if [ -n "$failed" ]; then
    echo "style: these files differ from .clang-format (fix with clang-format-14 -i FILE):"
    sed 's/^/  /' <<<"$failed"
    return 1
  fi
  echo "style: every C++ file is formatted"
}

# The .cpp files clang-tidy looks at: the changed ones, and for a changed header the .cpp file of
# the same name or else the first one that includes it (warnings in headers are reported through
# the files that include them).
tidy_files() {
  local base
  if [ "${KV_TIDY:-}" = all ] || ! base=$(git merge-base HEAD main 2>/dev/null); then
    git ls-files '*.cpp'
    return
  fi
  local changed
  changed=$( (git diff --name-only --diff-filter=ACMR "$base" -- '*.cpp' '*.h'
    git ls-files --others --exclude-standard -- '*.cpp' '*.h') | sort -u)
  for file in $changed; do
    case "$file" in
      *.cpp) echo "$file" ;;
      *.h)
        if [ -f "${file%.h}.cpp" ]; then
          echo "${file%.h}.cpp"
        else
          git grep -l -F "#include \"$file\"" -- '*.cpp' | head -n 1
        fi
        ;;
    esac
  done | sort -u
}

# The compile database that knows `file`: the debug build, or the fuzz build for the fuzz targets.
database_of() {
  local file=$1 preset
  for preset in debug fuzz; do
    if grep -q -F "\"file\": \"$PWD/$file\"" "build/$preset/compile_commands.json" 2>/dev/null ||
      grep -q -F "\"file\": \"$file\"" "build/$preset/compile_commands.json" 2>/dev/null; then
      echo "build/$preset"
      return
    fi
  done
}

tidy_one() {
  local file=$1 database output
  database=$(database_of "$file")
  [ -n "$database" ] || return 0  # not built on this system (a _win.cpp file)
  if ! output=$(clang-tidy-14 -p "$database" --quiet --warnings-as-errors='*' "$file" 2>&1); then
    printf 'style: clang-tidy: %s\n%s\n' "$file" "$(grep -E 'warning:|error:' <<<"$output")"
    return 1
  fi
}

tidy_check() {
  local files
  mapfile -t files < <(tidy_files)
  echo "style: clang-tidy over ${#files[@]} files"
  [ ${#files[@]} -gt 0 ] || return 0
  export -f tidy_one database_of
  if ! printf '%s\n' "${files[@]}" | xargs -d '\n' -P 2 -n 1 bash -c 'tidy_one "$0"'; then
    echo "style: clang-tidy found the warnings above"
    return 1
  fi
  echo "style: clang-tidy is quiet"
}

case "${1:-}" in
  format) format_check ;;
  tidy) tidy_check ;;
  *)
    echo "usage: $0 format|tidy" >&2
    exit 2
    ;;
esac
