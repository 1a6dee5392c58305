// Phase four of compiling: the final walk over the parsed tree, depth first
// and in text order. It marks names declared with `var` as locals (uses after
// the declaration only), turns variables with a constant instance and no
// index into kind-8 nodes with the selector precomputed, and folds unary and
// binary operations on constants with the same operator routines the
// interpreter uses, so results and messages are identical. Every variable
// addressed through the constant local selector gets a numbered place
// (code.i_locals), and subtrees that only read values are marked pure so
// that the interpreter may try a quick all-real evaluation first.
#pragma once

class CCode;
struct RToken;

// Answers false with the first error recorded for `code`. A folded result
// beyond the double range or a selector outside the 64-bit range throws
// EMathTrap (Code_Operator.h), exactly as the same operation at run time.
// Leaves `aux`, `slot` and `flags` as Code_Main.h documents them.
bool FinalWalk(CCode &code, RToken &root);

// Whether compiling marks assignments to variables of a fixed owner for the
// interpreter's direct writes (on unless turned off). Code compiled with it
// off writes the general way; tests compare the two.
void SetDirectWrites(bool on);
