#include "settings/settings.h"

#include "settings/conversions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vs {

namespace {

QString callerText(double v)
{
    return QString::number(v, 'g', 15);
}

double convert(ReadAs how, const QString& text, const std::optional<double>& fallback)
{
    switch (how) {
    case ReadAs::Number16:
        return static_cast<double>(leadingInteger(text, 16));
    case ReadAs::Number32:
        return static_cast<double>(leadingInteger(text, 32));
    case ReadAs::Strict16:
    case ReadAs::Strict32:
    case ReadAs::StrictSingle: {
        const auto v = strictNumber(text);
        if (!v)
            return fallback.value_or(0);
        if (how == ReadAs::StrictSingle)
            return static_cast<double>(static_cast<float>(*v));
        const double limit = how == ReadAs::Strict16 ? 32767.0 : 2147483647.0;
        return std::clamp(std::round(*v), -limit - 1, limit);
    }
    case ReadAs::Flag: {
        const auto f = flagText(text);
        return f ? (*f ? 1 : 0) : fallback.value_or(0);
    }
    case ReadAs::EnableText:
        return text == "1" ? 1 : 0;
    case ReadAs::Text:
    case ReadAs::Bytes:
        return leadingNumber(text);
    }
    return 0;
}

// Whether the text converts by the key's rule; only the strict kinds fall
// back to a default (the others read a leading number, 0 without one).
bool converts(ReadAs how, const QString& text)
{
    switch (how) {
    case ReadAs::Strict16:
    case ReadAs::Strict32:
    case ReadAs::StrictSingle:
        return strictNumber(text).has_value();
    case ReadAs::Flag:
        return flagText(text).has_value();
    default:
        return true;
    }
}

} // namespace

QString Settings::text(const KeyDef& key, int index, const QString& callerDefault) const
{
    return store_.Get(key.section, key.name(index), key.defaultText(index, callerDefault));
}

double Settings::number(const KeyDef& key, int index, double callerDefault) const
{
    const QString fallbackText = key.defaultText(index, callerText(callerDefault));
    // The default's own value, for texts that do not convert.
    const double fallback = convert(key.readAs, fallbackText, callerDefault);
    const QString stored = text(key, index, fallbackText);
    if (stored != fallbackText && !converts(key.readAs, stored))
        noteFallback(key, index, stored, callerText(fallback));
    return convert(key.readAs, stored, fallback);
}

void Settings::noteFallback(const KeyDef& key, int index, const QString& held, const QString& used) const
{
    const QString name = QString(key.section) + "/" + key.name(index);
    if (noted_.contains(name))
        return;
    noted_ << name;
    notes_ << "Settings: " + name + " held \"" + held + "\"; " + used + " is used instead";
}

void Settings::note(const QString& text) const
{
    if (!noted_.contains(text)) {
        noted_ << text;
        notes_ << "Settings: " + text;
    }
}

QStringList Settings::takeNotes() const
{
    QStringList out;
    out.swap(notes_);
    return out;
}

bool Settings::flag(const KeyDef& key, int index, bool callerDefault) const
{
    return number(key, index, callerDefault ? 1 : 0) != 0;
}

QString Settings::shownText(const KeyDef& key, int index) const
{
    return bytesSettingText(text(key, index));
}

bool Settings::save(const KeyDef& key, int index, const QString& text)
{
    if (key.writer == Writer::Never) {
        std::fprintf(stderr, "Ventiscope: %s/%s is a hand-set option and is not written\n", key.section,
                     qPrintable(key.name(index)));
        return false;
    }
    return store_.Save(key.section, key.name(index), text);
}

bool Settings::saveNumber(const KeyDef& key, int index, double value)
{
    return save(key, index, callerText(value));
}

bool Settings::saveFlagWord(const KeyDef& key, int index, bool value)
{
    return save(key, index, flagWord(value));
}

bool Settings::saveFlagNumber(const KeyDef& key, int index, bool value)
{
    return save(key, index, value ? "1" : "0");
}

} // namespace vs
