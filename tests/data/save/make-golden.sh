#!/usr/bin/env bash
# Writes the save file samples byte by byte from the file layout, without the program, so that
# the tests hold the writer and the reader against an account of the format of their own.
# Rewrites the .pkd files beside this script.
set -euo pipefail
cd "$(dirname "$0")"

# Bytes given with \x escapes (code page 932 for anything beyond ASCII).
raw() { printf '%b' "$1"; }

# A 21-byte text field: the bytes, then zero bytes.
text() {
  local n
  n=$(printf '%b' "$1" | wc -c)
  printf '%b' "$1"
  head -c $((21 - n)) /dev/zero
}

# Little-endian integers; negative values in two's complement.
i32() {
  local v=$((($1) & 0xFFFFFFFF))
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' \
    $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255)))"
}
u16() {
  local v=$((($1) & 0xFFFF))
  printf "$(printf '\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)))"
}

# The UTF-16 units (hex) of an ASCII string.
ascii() {
  local s=$1 i
  for ((i = 0; i < ${#s}; i++)); do printf '%04x ' "'${s:i:1}"; done
}

# Eight signed 32-bit values.
eight() { local v; for v in "$@"; do i32 "$v"; done; }

# K, then the units (hex) 32 to a chunk of 33, each chunk ended and padded with zero units.
inventory() {
  local units=("$@") n=$# k c i j
  k=$(((n + 31) / 32 - 1))
  i32 $k
  for ((c = 0; c <= k; c++)); do
    for ((i = 0; i < 33; i++)); do
      j=$((c * 32 + i))
      if ((i < 32 && j < n)); then u16 "0x${units[j]}"; else u16 0; fi
    done
  done
}

# The flag count, then one byte per flag.
flags() {
  local f
  i32 $#
  for f in "$@"; do printf "$(printf '\\x%02x' "$f")"; done
}

# The route count, then the entries from entry 0.
route() {
  local e
  i32 $(($# - 1))
  for e in "$@"; do u16 "$e"; done
}

zeros() { eight 0 0 0 0 0 0 0 0; }

# A sheet with nothing in it but the settings file name, up to the flags.
empty_start() {
  text '0.6.1.0'
  text 'Default.ini'
  text ''
  zeros
  zeros
  i32 0
}

{ empty_start; inventory; flags; route 0; } >empty.pkd
{ empty_start; inventory $(ascii abc); flags; route 0; } >inventory-abc.pkd
{ empty_start; inventory $(ascii abcdefghijklmnopqrstuvwxyz012345); flags; route 0; } >inventory-32.pkd
{ empty_start; inventory $(ascii abcdefghijklmnopqrstuvwxyz0123456); flags; route 0; } >inventory-33.pkd
# "ab" CR LF 剣盾 CR LF
{ empty_start; inventory 0061 0062 000d 000a 5263 76fe 000d 000a; flags; route 0; } >inventory-crlf.pkd

# 勇者一二三四五六七 (18 bytes) and "ab": byte 21 of the field is its zero.
{
  text '0.6.1.0'
  text 'Default.ini'
  text '\x97\x45\x8e\xd2\x88\xea\x93\xf1\x8e\x4f\x8e\x6c\x8c\xdc\x98\x5a\x8e\xb5ab'
  zeros
  zeros
  i32 0
  inventory
  flags
  route 0
} >name-20.pkd

# Ability 1 above its origin and ability 2 below zero, negative money, 剣 CR LF 盾, three flags
# and a route that reaches the highest paragraph number.
full() {
  text "$1"
  text 'Hero.ini'
  text '\x97\x45\x8e\xd2'
  eight 10 8 12 0 0 0 0 5
  eight 12 -3 7 0 0 0 0 5
  i32 -50
  inventory 5263 000d 000a 76fe
}
{ full 0.6.1.0; flags 1 0 1; route 0 1 65535 400; } >full.pkd
# Any byte other than zero marks a flag.
{ full 0.6.0.0; flags 1 0 7; route 0 1 65535 400; } >full-0600.pkd
{ full 0.5.0.0; route 0 1 65535 400; } >full-0500.pkd

# Counts that no writer produces.
{ empty_start; inventory; i32 2147483647; route 0; } >flags-huge.pkd
{ empty_start; inventory; i32 -1; route 0; } >flags-negative.pkd
{ empty_start; inventory; flags; i32 2147483647; u16 0; } >route-huge.pkd
{ empty_start; inventory; flags; i32 -1; u16 0; } >route-negative.pkd
{ empty_start; i32 2147483647; flags; route 0; } >chunks-huge.pkd
{ empty_start; i32 -2; flags; route 0; } >chunks-negative.pkd

# A first chunk of 33 "a" without a zero unit, then a chunk holding "b".
{
  empty_start
  i32 1
  for ((n = 0; n < 33; n++)); do u16 0x61; done
  u16 0x62
  for ((n = 0; n < 32; n++)); do u16 0; done
  flags
  route 0
} >chunk-without-zero.pkd

{ empty_start; inventory; flags; route 0; raw 'more\x00\x01\x02'; } >trailing-bytes.pkd
