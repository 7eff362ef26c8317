#pragma once
// Chart colours are 0x00BBGGRR values, as stored in charts and the settings.
#include <QColor>

namespace qx {

inline QColor colorFromBgr(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
inline int bgrFromColor(const QColor &c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

} // namespace qx
