// The process-wide random generator: a 32-bit linear congruential generator
// (seed <- seed * 134775813 + 1, modulo 2^32). Games that replay a sequence
// set the seed themselves; every game start randomizes it.
#pragma once

#include <cstdint>

// The seed as scripts see it (signed) and set it (low 32 bits).
int32_t RandomGetSeed();
void RandomSetSeed(uint32_t seed);
// Seeds from the high-resolution clock; with fixed seeds, from their
// sequence instead.
void Randomize();
// Runs that must repeat themselves (replayed input) fix the seeds: the next
// Randomize gives seed, each later one the next value of a sequence of its
// own, so the game draws the same numbers run after run.
void RandomFixSeeds(uint32_t seed);
void RandomUnfixSeeds();

// One step of the generator: the new seed.
uint32_t RandomNext();
// A real draw in [0, 1): the new seed times 2^-32.
double RandomReal();
// An integer draw below n (n >= 0): (new seed * n) >> 32. n may exceed the
// 32-bit range; the product is taken in full width so every n up to 2^63 is
// covered.
int64_t RandomBelow(uint64_t n);
