#pragma once
#include <QHash>
#include <QString>

#include <memory>

class QSettings;

namespace vs {

// The per-user store of the program's settings: sections of named text
// values. On Linux an INI file, $XDG_CONFIG_HOME/Ventiscope/Ventiscope.ini
// (~/.config/... by default); on Windows the registry under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Ventiscope.
class SettingsStore {
public:
    SettingsStore();                           // the user's store
    // Makes another INI file the user's store for the rest of the run (--config=FILE).
    static void setUserFile(const QString& path);
    // A store that is read but never written for the rest of the run (the
    // service: its settings are the administrator's file). What is saved
    // then holds for this run only.
    static void setReadOnly(bool readOnly);
    explicit SettingsStore(const QString& iniPath); // a given INI file
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or `fallback` when the key or its section is missing.
    QString Get(const QString& section, const QString& key, const QString& fallback) const;
    // Stores a text; false (with a line on standard error) when the store
    // cannot be written or could not be read, so that it is never replaced.
    bool Save(const QString& section, const QString& key, const QString& text);
    // Removes every key of the program.
    void clearAll();

    bool readable() const { return readable_; }
    QString location() const;

private:
    void checkReadable();

    std::unique_ptr<QSettings> settings_;
    QHash<QString, QString> thisRunOnly_; // saved while read-only
    bool readable_ = true;
};

} // namespace vs
