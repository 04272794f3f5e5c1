#pragma once
#include "settings/key_table.h"
#include "settings/settings_store.h"

#include <QString>
#include <QStringList>

namespace vs {

// Reading and writing settings through the key table: names, defaults and
// conversions live in the table only.
class Settings {
public:
    explicit Settings(SettingsStore& store) : store_(store) {}

    // The stored text, or the key's default (`callerDefault` where the table
    // leaves the default to the caller).
    QString text(const KeyDef& key, int index = 0, const QString& callerDefault = {}) const;
    // The value by the key's conversion. Number keys give 0 for a text without
    // a leading number; strict-number and flag keys fall back to their default.
    double number(const KeyDef& key, int index = 0, double callerDefault = 0) const;
    bool flag(const KeyDef& key, int index = 0, bool callerDefault = false) const;
    // A bytes key as shown: unchanged when its bytes are plain, else "\x" escapes.
    QString shownText(const KeyDef& key, int index = 0) const;

    // Writes a key. Keys that no part of the program writes are refused.
    bool save(const KeyDef& key, int index, const QString& text);
    bool saveNumber(const KeyDef& key, int index, double value);
    bool saveFlagWord(const KeyDef& key, int index, bool value);   // "True"/"False"
    bool saveFlagNumber(const KeyDef& key, int index, bool value); // "1"/"0"

    void clearAll() { store_.clearAll(); }
    SettingsStore& store() { return store_; }
    const SettingsStore& store() const { return store_; }

    // A value the settings held that could not be used, and what is used
    // instead; each key is noted once. The program says the notes in status
    // lines ("Settings: Plot/ReadInterval held \"-1\"; 1 s is used instead").
    void noteFallback(const KeyDef& key, int index, const QString& held, const QString& used) const;
    // Something else about the settings file that the user should know.
    void note(const QString& text) const;
    // The notes made since the last call.
    QStringList takeNotes() const;

private:
    SettingsStore& store_;
    mutable QStringList notes_;
    mutable QStringList noted_;
};

} // namespace vs
