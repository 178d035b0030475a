#!/usr/bin/env python3
"""Prints the table of src/common/angles.cpp: cos(k pi / 200) for k = 0 to 100,
each rounded to the nearest value with a 64-bit significand (the extended
type's), as {significand, scale} with value = significand * 2^-scale.

Plain integer arithmetic at 400 bits: pi from Machin's formula, the cosine
from its series. cos(pi / 2) is 0 exactly.
Usage: scripts/make-angle-table.py > table.txt
"""
BITS = 400
ONE = 1 << BITS


def atan_inv(x):
    """arctan(1 / x) in fixed point."""
    total, term, n, sign = 0, ONE // x, 1, 1
    while term:
        total += sign * (term // n)
        term //= x * x
        n += 2
        sign = -sign
    return total


PI = 4 * (4 * atan_inv(5) - atan_inv(239))


def cos_fixed(a):
    total, term, n = 0, ONE, 0
    while term:
        total += term
        term = -term * a // ONE * a // ONE // ((n + 1) * (n + 2))
        n += 2
    return total


def extended(c):
    """(significand, scale) of the 64-bit-significand value nearest c / ONE."""
    if c == 0:
        return 0, 0
    scale = 0
    while (c << scale) < (ONE << 63):
        scale += 1
    m, rest = divmod(c << scale, ONE)
    if 2 * rest > ONE or (2 * rest == ONE and m & 1):
        m += 1
    if m == 1 << 64:
        m, scale = m >> 1, scale - 1
    return m, scale


for k in range(101):
    m, scale = extended(0 if k == 100 else cos_fixed(PI * k // 200))
    print(f"    {{0x{m:016X}ull, {scale}}},  // cos({k} pi / 200)")
