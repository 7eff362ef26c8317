#pragma once
// The two settings that outlive a run, and the data folder.
#include <QString>

namespace qx {

inline constexpr int kDefaultRealTimeRate = 2;
inline constexpr int kDefaultAnnoColor = 0;

struct AppSettings {
    int realTimeRate = kDefaultRealTimeRate; // seconds between real-time samples
    int annoColor = kDefaultAnnoColor;       // 0x00BBGGRR

    // Values that are missing or unreadable take their defaults.
    static AppSettings load();
    // Write errors are dropped: the settings are a convenience, not data.
    void save() const;
};

// The documents folder followed by "QX736/", created when missing; the documents folder
// itself when that cannot be created; empty when there is no documents folder.
QString determineDataFolder(const QString &documentsFolder);
QString determineDataFolder();

} // namespace qx
