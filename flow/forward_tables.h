#pragma once

// The constants of the forward kernel, worked out once in multiple
// precision so that no hand-copied digit can be wrong.

namespace flow::forward {

// A value as hi + lo, the pair rounding it to about 2^-107.
struct DoubleWord {
    double hi, lo;
};

inline constexpr int kLogTable = 256; // by f's leading eight bits
inline constexpr int kExpTable = 64;  // 2^(j/64)
inline constexpr int kLog1pTail = 9;  // terms 13 down to 5 in double
inline constexpr int kExpTail = 6;    // 1/9! down to 1/4!

struct Tables {
    // inv: 1/f at the middle of each eighth-bit interval, to 8 bits, so that
    // f * inv - 1 is exact; log: -ln(inv).
    alignas(64) double logInv[kLogTable];
    alignas(64) double logHi[kLogTable];
    alignas(64) double logLo[kLogTable];
    alignas(64) double exp2Hi[kExpTable];
    alignas(64) double exp2Lo[kExpTable];
    double ln2Head, ln2Tail; // the first with 42 bits, so that e times it is exact
    double invLn2Over64;
    double ln2Over64[3]; // the first with 32 bits
    double log1pTail[kLog1pTail];
    DoubleWord log1pHead[3]; // -1/4, 1/3, -1/2
    double expTail[kExpTail];
    DoubleWord expHead[3]; // 1/3!, 1/2, 1
};

const Tables &tables();

} // namespace flow::forward
