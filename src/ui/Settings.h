#pragma once
// The two settings that outlive a run, where they are kept, and the data folder.
#include <QString>

namespace qx {

inline constexpr int kDefaultRealTimeRate = 2;
inline constexpr int kDefaultAnnoColor = 0;

struct AppSettings {
    int realTimeRate = kDefaultRealTimeRate; // seconds between real-time samples
    int annoColor = kDefaultAnnoColor;       // 0x00BBGGRR
};

// Where the settings live between runs. Values that are missing or unreadable take their
// defaults; write errors are dropped (the settings are a convenience, not data).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual AppSettings load() const = 0;
    virtual void save(const AppSettings &settings) = 0;
};

// The user's settings: organisation and application "QX736", values RealTimeRate and
// AnnoColor.
class UserSettingsStore final : public SettingsStore {
public:
    AppSettings load() const override;
    void save(const AppSettings &settings) override;
};

// Settings held in memory only, for a run that must not touch the user's.
class MemorySettingsStore final : public SettingsStore {
public:
    explicit MemorySettingsStore(AppSettings initial = {}) : m_settings(initial) {}
    AppSettings load() const override { return m_settings; }
    void save(const AppSettings &settings) override { m_settings = settings; }

private:
    AppSettings m_settings;
};

// The documents folder followed by "QX736/", created when missing; the documents folder
// itself when that cannot be created; empty when there is no documents folder.
QString determineDataFolder(const QString &documentsFolder);
// The user's documents folder.
QString userDocumentsFolder();

} // namespace qx
