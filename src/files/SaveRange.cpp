#include "SaveRange.h"

#include <algorithm>
#include <cstdlib>

namespace qx {

namespace {

bool readInteger(const QString &text, qint64 &value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok)
        value = std::llabs(qint64(v)); // −2147483648 too
    return ok;
}

} // namespace

RangeChoice resolveRange(bool all, const QString &fromText, const QString &toText, int n)
{
    RangeChoice choice;
    n = std::max(n, 0);
    if (all) {
        choice.valid = true;
        choice.range = {1, n};
        return choice;
    }
    qint64 from = 0, to = 0;
    if (!readInteger(fromText, from) || !readInteger(toText, to))
        return choice;
    if (to < from)
        std::swap(from, to);
    to = std::min<qint64>(to, n);
    if (from == 0)
        from = 1;
    choice.valid = true;
    // A start past the end stays past it: the range is empty.
    choice.range = {int(std::min<qint64>(from, qint64(n) + 1)), int(to)};
    return choice;
}

} // namespace qx
