#include "settings/conversions.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vs {

double leadingNumber(const QString& text)
{
    const QString t = text.trimmed();
    int i = 0;
    QString number;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        number += t[i++];
    int digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        number += t[i++];
        ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        number += t[i++];
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            number += t[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i + 1 < t.size() && (t[i] == 'E' || t[i] == 'e') &&
        (t[i + 1].isDigit() || ((t[i + 1] == '+' || t[i + 1] == '-') && i + 2 < t.size() && t[i + 2].isDigit()))) {
        number += 'e';
        ++i;
        if (t[i] == '+' || t[i] == '-')
            number += t[i++];
        while (i < t.size() && t[i].isDigit())
            number += t[i++];
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(number, &ok);
    return ok && std::isfinite(v) ? v : 0;
}

qint64 leadingInteger(const QString& text, int bits)
{
    bits = std::clamp(bits, 1, 64);
    const double v = std::trunc(leadingNumber(text));
    // 2^(bits-1) is exact as a double; the largest value below it may not be
    // (2^63 - 1 is not), so the top is compared before converting.
    const double limit = std::ldexp(1.0, bits - 1);
    if (v >= limit)
        return bits == 64 ? std::numeric_limits<qint64>::max() : (qint64{1} << (bits - 1)) - 1;
    if (v <= -limit)
        return bits == 64 ? std::numeric_limits<qint64>::min() : -(qint64{1} << (bits - 1));
    return static_cast<qint64>(v);
}

std::optional<double> strictNumber(const QString& text)
{
    const QString t = text.trimmed();
    // What the program wrote itself ("." decimals) first, then the system's format.
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        v = QLocale::system().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<bool> flagText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare("True", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare("False", Qt::CaseInsensitive) == 0)
        return false;
    if (const auto n = strictNumber(t))
        return *n != 0;
    return std::nullopt;
}

QString flagWord(bool value)
{
    return value ? "True" : "False";
}

QByteArray textToBytes(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

QString bytesToText(const QByteArray& bytes)
{
    QString out;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out.append(QChar(static_cast<char16_t>(static_cast<uchar>(bytes[i]) | (static_cast<uchar>(bytes[i + 1]) << 8))));
    return out;
}

bool bytesArePlain(const QByteArray& bytes)
{
    for (const char c : bytes) {
        const auto b = static_cast<uchar>(c);
        if (b != 0 && (b < 32 || b > 126))
            return false;
    }
    return true;
}

QString BytesToEscapes(const QByteArray& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    for (const char c : bytes) {
        const auto b = static_cast<uchar>(c);
        out += "\\x";
        out += QChar(digits[b >> 4]);
        out += QChar(digits[b & 15]);
    }
    return out;
}

QString escapeNonPrintable(const QByteArray& bytes)
{
    QString out;
    for (const char c : bytes) {
        const auto b = static_cast<uchar>(c);
        if (b >= 32 && b <= 126)
            out += QChar(b);
        else
            out += BytesToEscapes(QByteArray(1, c));
    }
    return out;
}

QByteArray escapesToBytes(const QString& text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bool ok = false;
            const int v = text.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.append(static_cast<char>(text[i].unicode() & 0xFF));
    }
    return out;
}

QString bytesSettingText(const QString& stored)
{
    const QByteArray bytes = textToBytes(stored);
    return bytesArePlain(bytes) ? stored : BytesToEscapes(bytes);
}

QString bytesSettingFromEdit(const QString& edited)
{
    if (!edited.contains("\\x"))
        return edited;
    return bytesToText(escapesToBytes(edited));
}

} // namespace vs
