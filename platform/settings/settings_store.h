#pragma once
// The per-user settings store: text values addressed by application, section and key, kept
// between runs. One INI file per application in the per-user config folder
// ($XDG_CONFIG_HOME, else ~/.config), one group per section.

#include <QString>

namespace veltrano::platform::settings {

// The INI file that holds an application's settings, as the store finds it now (it follows
// XDG_CONFIG_HOME at every call).
QString storeFilePath(const QString& application);

// The text stored under the key; defaultText when the key, the section or the file is absent
// or cannot be read.
QString read(const QString& application, const QString& section, const QString& key, const QString& defaultText);

// Stores the text under the key at once, creating the file, section and key as needed and
// replacing an earlier value; the file is replaced whole, never left half-written. Returns
// false when the store could not be written.
bool write(const QString& application, const QString& section, const QString& key, const QString& text);

}  // namespace veltrano::platform::settings
