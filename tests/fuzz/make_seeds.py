#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (tests/fuzz/corpus/<target>/).

The encoding is the one of fuzz_input.hpp: a double is a tag byte (0 raw 8 bytes, 1 small
integer, 2 edge-table index, 3 dyadic fraction) and its payload; a float is a tag byte
(0 raw 4 bytes, 1 small integer, 2 float edge-table index) and its payload.
Run from anywhere: python3 tests/fuzz/make_seeds.py
"""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Indices into the double edge table of fuzz_input.hpp.
ZERO, NEG_ZERO, ONE, NEG_ONE, HALF, TWO = 0, 1, 2, 3, 4, 5
EPS15, EPS15_UP, EPS15_DOWN, W_EPS, BELOW_W_EPS, EPS8 = 6, 7, 8, 9, 10, 11
DENORM_MIN, MIN, MAX, NEG_MAX, E154, E_154, E300, E_300 = 12, 13, 14, 15, 16, 17, 18, 19
INF, NEG_INF, NAN, NEG_NAN, PI, HALF_PI, RADIUS, ONE_UP, ONE_DOWN = 20, 21, 22, 23, 24, 25, 26, 27, 28


def raw(x):
    return bytes([0]) + struct.pack('<d', x)


def small(n):
    return bytes([1, n & 0xff])


def edge(i):
    return bytes([2, i])


def dyadic(numerator, k):
    return bytes([3]) + struct.pack('<h', numerator) + bytes([k])


def vec(*coords):
    return b''.join(coords)


def ints(*values):
    return b''.join(small(v) for v in values)


def fsmall(n):
    return bytes([1, n & 0xff])


def fedge(i):
    return bytes([2, i])


def identity():
    return ints(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)


def kernel_seeds():
    rng = random.Random(7)
    seeds = {}
    seeds['empty'] = b''
    seeds['small_integers'] = (bytes([0]) + ints(1, 2, 3, 4) + ints(-1, -2, -3, -4) + small(3) + edge(EPS8)
                               + small(1) + raw(5838400.0) + ints(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1)
                               + identity() + edge(ZERO) + bytes([15]) + fsmall(3) + fsmall(0) + fsmall(0)
                               + fsmall(4) + fsmall(1) + fsmall(2) + fsmall(3) + fsmall(4))
    seeds['antipodes'] = bytes([1]) + vec(dyadic(3, 2), dyadic(-5, 3), small(7), dyadic(1, 40)) + b'\0' * 4
    seeds['multiple'] = bytes([2]) + vec(small(1), small(2), small(3), small(4)) + ints(0, 0, 0, 0) + raw(-3.5)
    seeds['tiny_norms'] = (bytes([3]) + vec(edge(EPS15), edge(ZERO), edge(ZERO), edge(ZERO))
                           + vec(edge(EPS15_DOWN), edge(ZERO), edge(ZERO), edge(ZERO)) + edge(EPS15_UP)
                           + edge(EPS15) + edge(DENORM_MIN) + edge(E_300))
    seeds['non_finite'] = (bytes([0]) + vec(edge(NAN), small(1), edge(INF), edge(NEG_NAN))
                           + vec(edge(NEG_INF), edge(MAX), edge(E154), edge(E_154)) + edge(NAN) + edge(INF)
                           + edge(NAN) + edge(INF) + b''.join(edge(i) for i in (INF, NAN, NEG_INF, ZERO) * 4)
                           + ints(*range(16)) + edge(ZERO) + bytes([0]) + fedge(13) + fedge(15) + fedge(12)
                           + fedge(9) + fedge(14) + fedge(0) + fedge(1) + fedge(10))
    seeds['point_at_infinity'] = (bytes([0]) + vec(small(1), edge(ZERO), edge(ZERO), edge(BELOW_W_EPS))
                                  + vec(small(0), small(3), small(4), small(0)) + edge(ONE) + edge(W_EPS)
                                  + edge(ONE_UP) + edge(RADIUS) + edge(ONE_DOWN) + edge(RADIUS))
    seeds['singular_matrix'] = (bytes([4]) + b'\0' * 8 * 2 + b'\0' * 8 + ints(1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 1, 0)
                                + b''.join(edge(ZERO) for _ in range(16)) + edge(ZERO) + bytes([39]))
    seeds['huge_matrix'] = (bytes([0]) + b'\0' * 4 * 2 * 2 + b'\0' * 4 * 2
                            + b''.join(edge(E300 if i % 5 == 0 else ONE) for i in range(16))
                            + b''.join(edge(E_300 if i % 5 == 0 else ZERO) for i in range(16)) + edge(EPS8) + bytes([8]))
    random_doubles = b''.join(raw(rng.uniform(-10, 10)) for _ in range(48))
    seeds['random_doubles'] = bytes([0]) + random_doubles
    seeds['random_bytes'] = bytes(rng.randrange(256) for _ in range(400))
    return seeds


# World operations (op byte modulo 9), with the creation flags of fuzz_world.cpp.
CREATE, MOVE, ACTIVATE, DEACTIVATE, TRANSFORM, NEAREST, LOOKUP, COUNT = 0, 2, 3, 4, 5, 6, 7, 8
REFUSE, RESIZE = 0x10, 0x20


def create(name=0, flags=0):
    return bytes([CREATE | flags, name])


def move(pick, *coords):
    return bytes([MOVE]) + vec(*coords) + bytes([pick])


def world_seeds():
    seeds = {}
    seeds['empty'] = b''
    seeds['create_and_find'] = create() + bytes([LOOKUP]) + struct.pack('<Q', 1) + bytes([COUNT])
    seeds['near_and_far'] = (create(1) + create(2) + move(0, small(1), small(0), small(0), small(0))
                             + move(1, small(0), small(1), small(0), small(0))
                             + bytes([NEAREST]) + vec(dyadic(9, 3), dyadic(1, 3), small(0), small(0)))
    seeds['growth_with_refusals'] = (b''.join(create(i % 5, RESIZE if i % 3 == 0 else 0) for i in range(9))
                                     + create(0, REFUSE) + create(1) + create(2, REFUSE | RESIZE)
                                     + b''.join(create(i % 5) for i in range(10)) + bytes([COUNT]))
    seeds['lifecycle'] = (create() + create() + create() + bytes([DEACTIVATE, 1, ACTIVATE, 1, DEACTIVATE, 1])
                          + bytes([ACTIVATE, 0, COUNT, NEAREST]) + vec(small(0), small(0), small(0), small(0)))
    seeds['ties'] = (create() + create() + create() + move(0, small(1), small(2), small(3), small(4))
                     + move(1, small(-1), small(-2), small(-3), small(-4)) + move(2, small(2), small(4), small(6), small(8))
                     + bytes([NEAREST]) + vec(small(1), small(2), small(3), small(4))
                     + bytes([NEAREST]) + vec(edge(NAN), small(0), small(0), small(0)))
    seeds['bad_positions'] = (create() + move(0, edge(NAN), small(1), small(1), small(1))
                              + move(0, edge(MAX), edge(NEG_MAX), edge(E300), small(1))
                              + move(0, edge(EPS15), edge(ZERO), edge(ZERO), edge(ZERO))
                              + move(0, edge(INF), small(0), small(0), small(0)) + bytes([TRANSFORM])
                              + b''.join(edge(NAN) for _ in range(16)) + bytes([0]))
    seeds['lookups'] = (create() + create(0, REFUSE) + create() + b''.join(
        bytes([LOOKUP]) + struct.pack('<Q', n) for n in (0, 1, 2, 3, 4, 2**64 - 1)))
    return seeds


def write(target, seeds):
    directory = os.path.join(HERE, 'corpus', target)
    os.makedirs(directory, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(directory, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    write('fuzz_kernel', kernel_seeds())
    write('fuzz_world', world_seeds())
