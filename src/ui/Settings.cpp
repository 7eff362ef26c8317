#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace qx {

namespace {

QSettings openStore() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "QX736", "QX736"); }

int readInt(QSettings &store, const char *key, int fallback)
{
    bool ok = false;
    const int value = store.value(key).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

AppSettings UserSettingsStore::load() const
{
    QSettings store = openStore();
    AppSettings s;
    s.realTimeRate = readInt(store, "RealTimeRate", kDefaultRealTimeRate);
    s.annoColor = readInt(store, "AnnoColor", kDefaultAnnoColor);
    return s;
}

void UserSettingsStore::save(const AppSettings &settings)
{
    QSettings store = openStore();
    store.setValue("RealTimeRate", settings.realTimeRate);
    store.setValue("AnnoColor", settings.annoColor);
    store.sync();
}

QString determineDataFolder(const QString &documentsFolder)
{
    if (documentsFolder.isEmpty())
        return {};
    const QString docs = QDir::cleanPath(documentsFolder) + '/';
    const QString folder = docs + "QX736/";
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return folder;
    return docs;
}

QString userDocumentsFolder() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

} // namespace qx
