#!/usr/bin/env bash
# Every build's version sorts after the builds of earlier commits under Debian's ordering,
# whatever kind of checkout made it, and says what it was built from.
# Usage: build-version-test.sh SOURCE_DIR SCRATCH_DIR
set -euo pipefail
source=$1 scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch"
export GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@example.org GIT_COMMITTER_NAME=t \
  GIT_COMMITTER_EMAIL=t@example.org GIT_CONFIG_NOSYSTEM=1 HOME=$scratch
unset PELKO_BUILD_NUMBER SOURCE_DATE_EPOCH
version_of() { # a build of the checkout $1, checked against the form $2
  rm -rf "$scratch/out"
  cmake -DSOURCE_DIR="$1" -DBINARY_DIR="$scratch/out" -DPROJECT_VERSION=0.6.1 \
    -P "$source/cmake/BuildVersion.cmake" >/dev/null
  v=$(head -1 "$scratch/out/BuildVersion.txt")
  [[ $v =~ $2 ]] || { echo "version $v is not of the form $2" >&2; exit 1; }
  echo "$v"
}
commit_at() { echo "$2" >>"$1/a.txt"; git -C "$1" add a.txt; GIT_COMMITTER_DATE=$2 git -C "$1" commit -qm "$2"; }
ordered() { # each argument sorts after the one before
  while [ $# -gt 1 ]; do
    dpkg --compare-versions "$2" gt "$1" || { echo "$2 does not sort after $1"; exit 1; }
    shift
  done
}

repo=$scratch/repo
git init -q "$repo"
commit_at "$repo" 2026-01-01T10:00:00Z
commit_at "$repo" 2026-01-02T10:00:00Z
second=$(version_of "$repo" '^0\.6\.1\+git20260102\.100000\.2$')
commit_at "$repo" 2026-01-03T10:00:00Z
git clone -q --depth 1 "file://$repo" "$scratch/shallow"
shallow=$(version_of "$scratch/shallow" '^0\.6\.1\+git20260103\.100000~shallow$')
third=$(version_of "$repo" '\.3$')
echo change >>"$repo/a.txt" && touch -d 2026-01-03T12:00:00Z "$repo/a.txt"
dirty=$(version_of "$repo" '^0\.6\.1\+git20260103\.100000\.3\+dirty20260103\.120000$')
touch -d 2026-01-03T13:00:00Z "$repo/a.txt"
changed=$(version_of "$repo" 'dirty')
commit_at "$repo" 2026-01-04T10:00:00Z
fourth=$(version_of "$repo" '\.4$')
# The builds before, numbered by the commit count alone, come first.
ordered 0.6.1+git187 "$second" "$shallow" "$third" "$dirty" "$changed" "$fourth"
# Sources unpacked inside another repository take the number given, not its count.
mkdir "$repo/unpacked"
PELKO_BUILD_NUMBER=9 SOURCE_DATE_EPOCH=1767607200 version_of "$repo/unpacked" '^0\.6\.1\+git20260105\.100000\.9$' >/dev/null
echo "versions sort"
