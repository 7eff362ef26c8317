#pragma once
// The Y-axis dialog's fields as whole numbers.
#include <QString>
#include <array>
#include <optional>

namespace qx {

struct ScaleLimits {
    std::array<int, 4> minimum{};
    std::array<int, 4> maximum{};
};

// The limit shown for a band: cut toward zero to a whole number.
int scaleFieldValue(double limit);

// Reads the fields in the order T4 MAX, T4 MIN … T1 MAX, T1 MIN; when any is not a
// decimal integer, `invalid` gets the text of the last such field in that order.
std::optional<ScaleLimits> parseScaleFields(const std::array<QString, 4> &minTexts,
                                            const std::array<QString, 4> &maxTexts, QString *invalid);

} // namespace qx
