#!/usr/bin/env bash
# Fails when clang-tidy finds anything that .clang-tidy asks for (the house naming rules and a
# few bug checks) in a source file of core, ui, app, tests or bench. Only the files that the
# build's compile database knows are checked, with that build's flags, one clang-tidy per core.
# The build has to have run once: the sources include what moc and uic generate there.
#
#   tests/clang-tidy.sh BUILD_DIR [CLANG_TIDY]
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 BUILD_DIR [CLANG_TIDY]" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd -P)
clang_tidy=$(command -v "${2:-clang-tidy}") || {
    echo "$0: ${2:-clang-tidy} not found" >&2
    exit 2
}
cd "$(dirname "$0")/.."
root=$(pwd -P)
database=$build_dir/compile_commands.json
if [ ! -f "$database" ]; then
    echo "$0: $database is missing; configure with CMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report=$work/report

# The sources to check, in a compile database of their own that keeps the first of each
# file's commands: clang-tidy runs every command it finds for a file, and a file that several
# targets build would be checked once for each of them. Generated sources live under the build
# folder and stay out. The compiler's precompiled headers are left out of the commands:
# clang cannot read gcc's, and each source names the headers it needs anyway.
mapfile -t sources < <(python3 - "$database" "$root" "$work/compile_commands.json" <<'EOF'
import json, os, re, sys

database, root, out = sys.argv[1:]
precompiled = re.compile(r" -Winvalid-pch| -include \S*cmake_pch\.hxx")
folders = tuple(os.path.join(root, f) + os.sep for f in ("core", "ui", "app", "tests", "bench"))
chosen = {}
with open(database) as f:
    for entry in json.load(f):
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        if path.startswith(folders) and path.endswith(".cpp"):
            command = precompiled.sub("", entry["command"])
            chosen.setdefault(path, dict(entry, file=path, command=command))
with open(out, "w") as f:
    json.dump(list(chosen.values()), f, indent=1)
print("\n".join(sorted(chosen)))
EOF
)
if [ ${#sources[@]} -eq 0 ] || [ -z "${sources[0]}" ]; then
    echo "$0: $database names no source of core, ui, app, tests or bench" >&2
    exit 2
fi

# The build's own compiler and its -Werror judge warnings; clang's view of them is not asked
# for here (clang 14 takes a function that is used only through a structured binding for
# unused, for one).
jobs=$(nproc)
status=0
version=$("$clang_tidy" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
runner=$(command -v "run-clang-tidy-$version" || command -v run-clang-tidy || true)
if [ -n "$runner" ]; then
    "$runner" -quiet -j "$jobs" -clang-tidy-binary "$clang_tidy" -p "$work" \
        -extra-arg=-Wno-error >"$report" 2>&1 || status=$?
else
    # Each clang-tidy writes a file of its own, so that two of them never mix their lines.
    # shellcheck disable=SC2016 # the inner shell expands them
    for i in "${!sources[@]}"; do
        printf '%s\0%s\0' "$work/$i.out" "${sources[$i]}"
    done | xargs -0 -n 2 -P "$jobs" sh -c \
        'exec "$0" -quiet -p "$1" --extra-arg=-Wno-error "$3" >"$2" 2>&1' \
        "$clang_tidy" "$work" || status=$?
    cat "$work"/*.out >"$report"
fi

if [ "$status" -ne 0 ]; then
    # A finding in a header comes once for every source that includes it: each is told once,
    # in the order of files and lines, without the quoted code.
    findings=$(sed 's/\x1b\[[0-9;]*m//g' "$report" |
        grep -E '(^|: )(error|warning): |^Error while processing ' | sort -u |
        sort -t: -k1,1 -k2,2n -k3,3n || true)
    if [ -n "$findings" ]; then
        printf '%s\n' "$findings"
        echo "clang-tidy: $(printf '%s\n' "$findings" | grep -cE '(^|: )error: ') findings" \
            "in ${#sources[@]} sources" >&2
    else
        sed 's/\x1b\[[0-9;]*m//g' "$report"
        echo "clang-tidy failed on ${#sources[@]} sources" >&2
    fi
    exit 1
fi
echo "clang-tidy: ${#sources[@]} sources, no findings"
