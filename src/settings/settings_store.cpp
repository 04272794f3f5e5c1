#include "settings/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>

namespace vs {

namespace {

QString& chosenFile()
{
    static QString path;
    return path;
}

bool& readOnlyRun()
{
    static bool readOnly = false;
    return readOnly;
}

QString userIniPath()
{
    if (!chosenFile().isEmpty())
        return chosenFile();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Ventiscope/Ventiscope.ini";
}

void complain(const QString& text)
{
    std::fprintf(stderr, "Ventiscope: %s\n", qPrintable(text));
}

} // namespace

void SettingsStore::setUserFile(const QString& path)
{
    chosenFile() = QFileInfo(path).absoluteFilePath();
}

void SettingsStore::setReadOnly(bool readOnly)
{
    readOnlyRun() = readOnly;
}

SettingsStore::SettingsStore()
{
#ifdef Q_OS_WIN
    if (!chosenFile().isEmpty())
        settings_ = std::make_unique<QSettings>(chosenFile(), QSettings::IniFormat);
    else
        settings_ = std::make_unique<QSettings>("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Ventiscope",
                                            QSettings::NativeFormat);
#else
    settings_ = std::make_unique<QSettings>(userIniPath(), QSettings::IniFormat);
#endif
    checkReadable();
}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
    checkReadable();
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::checkReadable()
{
    const QString file = settings_->fileName();
    const QFileInfo info(file);
    const bool isIni = settings_->format() == QSettings::IniFormat;
    if (settings_->status() != QSettings::NoError || (isIni && info.exists() && (!info.isFile() || !info.isReadable()))) {
        readable_ = false;
        complain("cannot read the settings in " + file + "; using the defaults and leaving the file as it is");
    }
}

QString SettingsStore::location() const
{
    return settings_->fileName();
}

QString SettingsStore::Get(const QString& section, const QString& key, const QString& fallback) const
{
    if (!readable_)
        return fallback;
    if (const auto kept = thisRunOnly_.constFind(section + "/" + key); kept != thisRunOnly_.constEnd())
        return *kept;
    const QVariant v = settings_->value(section + "/" + key);
    if (!v.isValid())
        return fallback;
    // A hand-written value with commas reads as a list; the text is what counts.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(",");
    return v.toString();
}

bool SettingsStore::Save(const QString& section, const QString& key, const QString& text)
{
    if (!readable_) {
        complain("not saving " + section + "/" + key + ": the settings could not be read");
        return false;
    }
    if (readOnlyRun()) {
        thisRunOnly_.insert(section + "/" + key, text);
        return true;
    }
    settings_->setValue(section + "/" + key, text);
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        complain("cannot write the settings to " + settings_->fileName());
        return false;
    }
    return true;
}

void SettingsStore::clearAll()
{
    if (!readable_ || readOnlyRun())
        return;
    settings_->clear();
    settings_->sync();
}

} // namespace vs
