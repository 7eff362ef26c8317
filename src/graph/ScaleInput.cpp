#include "ScaleInput.h"

#include <cmath>
#include <limits>

namespace qx {

int scaleFieldValue(double limit)
{
    if (!std::isfinite(limit))
        return 0;
    const double t = std::trunc(limit);
    if (t >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (t <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(t);
}

std::optional<ScaleLimits> parseScaleFields(const std::array<QString, 4> &minTexts,
                                            const std::array<QString, 4> &maxTexts, QString *invalid)
{
    ScaleLimits limits;
    bool valid = true;
    auto read = [&](const QString &text, int &out) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok, 10);
        if (ok)
            out = v;
        else {
            valid = false;
            if (invalid)
                *invalid = text;
        }
    };
    for (int ch = 3; ch >= 0; --ch) {
        read(maxTexts[std::size_t(ch)], limits.maximum[std::size_t(ch)]);
        read(minTexts[std::size_t(ch)], limits.minimum[std::size_t(ch)]);
    }
    if (!valid)
        return std::nullopt;
    return limits;
}

} // namespace qx
