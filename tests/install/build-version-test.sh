#!/usr/bin/env bash
# Every build's version sorts after the builds of earlier commits under Debian's ordering,
# whatever kind of checkout made it, and says what it was built from.
# Usage: build-version-test.sh SOURCE_DIR SCRATCH_DIR
set -euo pipefail
source=$1 scratch=$2 repo=$2/repo
rm -rf "$scratch" && mkdir -p "$scratch"
export GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@example.org GIT_COMMITTER_NAME=t \
  GIT_COMMITTER_EMAIL=t@example.org GIT_CONFIG_NOSYSTEM=1 HOME=$scratch
unset PELKO_BUILD_NUMBER SOURCE_DATE_EPOCH
versions=(0.6.1+git187) # the form of the builds before: the commit count alone
build() { # a build of the checkout $1, whose version must match $2, joins the versions
  cmake -DSOURCE_DIR="$1" -DBINARY_DIR="$scratch/out" -DPROJECT_VERSION=0.6.1 \
    -P "$source/cmake/BuildVersion.cmake" >/dev/null
  versions+=("$(head -1 "$scratch/out/BuildVersion.txt")")
  [[ ${versions[-1]} =~ $2 ]] || { echo "version ${versions[-1]} is not of the form $2"; exit 1; }
}
commit_at() { echo "$1" >>"$repo/a.txt"; git -C "$repo" add a.txt; GIT_COMMITTER_DATE=$1 git -C "$repo" commit -qm "$1"; }

git init -q "$repo"
commit_at 2026-01-01T10:00:00Z
commit_at 2026-01-02T10:00:00Z
build "$repo" '^0\.6\.1\+git20260102\.100000\.2$'
commit_at 2026-01-03T10:00:00Z
git clone -q --depth 1 "file://$repo" "$scratch/shallow"
build "$scratch/shallow" '^0\.6\.1\+git20260103\.100000~shallow$'
build "$repo" '\.3$'
echo change >>"$repo/a.txt" && touch -d 2026-01-03T12:00:00Z "$repo/a.txt"
build "$repo" '^0\.6\.1\+git20260103\.100000\.3\+dirty20260103\.120000$'
touch -d 2026-01-03T13:00:00Z "$repo/a.txt"
build "$repo" 'dirty'
commit_at 2026-01-04T10:00:00Z
build "$repo" '\.4$'
for ((i = 1; i < ${#versions[@]}; i++)); do
  dpkg --compare-versions "${versions[i]}" gt "${versions[i - 1]}" ||
    { echo "${versions[i]} does not sort after ${versions[i - 1]}"; exit 1; }
done
# Sources unpacked inside another repository take the number given, not its count.
mkdir "$repo/unpacked"
PELKO_BUILD_NUMBER=9 SOURCE_DATE_EPOCH=1767607200 build "$repo/unpacked" '^0\.6\.1\+git20260105\.100000\.9$'
echo "versions sort: ${versions[*]}"
