#include "platform/settings/settings_store.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace veltrano::platform::settings {

namespace {

QString keyIn(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

}  // namespace

QString storeFilePath(const QString& application)
{
    // QSettings works out its own per-user path once per process; asking for the folder at
    // every call follows XDG_CONFIG_HOME as it is now.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(folder).filePath(application + QStringLiteral(".ini"));
}

QString read(const QString& application, const QString& section, const QString& key, const QString& defaultText)
{
    const QSettings store(storeFilePath(application), QSettings::IniFormat);
    const QVariant value = store.value(keyIn(section, key));
    if (!value.isValid())
        return defaultText;
    // An INI value written by hand with unquoted commas comes back as a list; it is still the
    // one text that was stored.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool write(const QString& application, const QString& section, const QString& key, const QString& text)
{
    QSettings store(storeFilePath(application), QSettings::IniFormat);
    store.setValue(keyIn(section, key), text);
    store.sync();
    return store.status() == QSettings::NoError;
}

}  // namespace veltrano::platform::settings
