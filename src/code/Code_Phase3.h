// Phase three of compiling: a recursive-descent parser over the resolved
// tokens that builds the RToken tree of a program or an expression.
#pragma once

#include "code/Code_Phase2.h"

class CCode;
struct RToken;

// Parses the tokens as the code's kind says (program or expression). The
// first error is recorded for `code` at the token where it was found and
// the parse stops. While parsing, each node's `aux` holds the height of its
// subtree (a leaf is 1), not counting the left operands of binary nodes,
// which the walkers follow in a loop; a tree higher than kMaxCodeNesting, or text nested
// deeper than that, fails with a nesting message instead of exhausting the
// stack.
bool ParseTokens(const CCode &code, const RTokenList2 &tokens, RToken &root);

inline constexpr const char *kMsgExpressionTooDeep = "Expression too deeply nested.";
inline constexpr const char *kMsgStatementsTooDeep = "Statements too deeply nested.";
