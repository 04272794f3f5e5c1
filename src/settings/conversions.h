#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

namespace vs {

// Text-to-value conversions of stored settings.

// The leading decimal number of the text, "." as decimal point whatever the
// locale; 0 when the text does not start with a number.
double leadingNumber(const QString& text);
// The leading number truncated to a signed integer of `bits` bits (clamped).
qint64 leadingInteger(const QString& text, int bits);
// The whole text as a number in the system's number format (or with "."); no
// value when it is not a number.
std::optional<double> strictNumber(const QString& text);
// "True"/"False" in any case, or a number (non-zero = true); no value otherwise.
std::optional<bool> flagText(const QString& text);
QString flagWord(bool value); // "True" / "False"

// The text as UTF-16 code units, low byte first: any script passes through.
QByteArray textToBytes(const QString& text);
QString bytesToText(const QByteArray& bytes);
// True when every byte is 0 or printable (32..126).
bool bytesArePlain(const QByteArray& bytes);
// Every byte as "\x" + two upper-case hexadecimal digits.
QString BytesToEscapes(const QByteArray& bytes);
// Printable bytes as themselves, every other byte as "\x" + two hex digits.
QString escapeNonPrintable(const QByteArray& bytes);
// Back from "\x" escapes to bytes; other characters are taken as bytes.
QByteArray escapesToBytes(const QString& text);

// A stored bytes-setting as the program shows or edits it: unchanged when its
// UTF-16 bytes are plain, otherwise all its bytes as "\x" escapes.
QString bytesSettingText(const QString& stored);
// The reverse: an edited text with "\x" escapes back to the text to store.
QString bytesSettingFromEdit(const QString& edited);

} // namespace vs
