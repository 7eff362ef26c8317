#pragma once
// Which points or rows a text save writes: all of them, or the span the user typed, put
// in order and kept within what there is.
#include <QString>

namespace qx {

// Points or rows `from` to `to`, counting from 1; nothing when from > to.
struct LineRange {
    int from = 1;
    int to = 0;
    bool isEmpty() const { return from > to; }
    int count() const { return isEmpty() ? 0 : to - from + 1; }
};

struct RangeChoice {
    bool valid = false; // false: a text was not an integer ("Entier non valide")
    LineRange range;
};

// `all`: 1 to n. Otherwise the absolute values of the two integers, swapped when the end
// comes first, the end cut to n and a start of 0 taken as 1; a start beyond n gives an
// empty range.
RangeChoice resolveRange(bool all, const QString &fromText, const QString &toText, int n);

} // namespace qx
