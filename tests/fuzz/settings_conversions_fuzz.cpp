// The conversions of stored settings texts, which a user may have edited by hand.
#include "fuzz_input.h"
#include "settings/conversions.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    const int bits = 1 + in.byte() % 64;
    const std::string raw = in.rest();
    const QString utf8 = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    const QByteArray bytes(raw.data(), static_cast<qsizetype>(raw.size()));
    vs::leadingNumber(utf8);
    const qint64 whole = vs::leadingInteger(utf8, bits);
    if (bits < 64 && (whole >= (qint64{1} << (bits - 1)) || whole < -(qint64{1} << (bits - 1))))
        std::abort();
    vs::strictNumber(utf8);
    vs::flagText(utf8);
    // Any text survives the trip through its UTF-16 bytes.
    if (vs::bytesToText(vs::textToBytes(utf8)) != utf8)
        std::abort();
    if ((bytes.size() & 1) == 0 && vs::textToBytes(vs::bytesToText(bytes)) != bytes)
        std::abort();
    // Escaping every byte and back gives the bytes again.
    if (vs::escapesToBytes(vs::BytesToEscapes(bytes)) != bytes)
        std::abort();
    vs::bytesArePlain(bytes);
    vs::escapeNonPrintable(bytes);
    vs::escapesToBytes(utf8);
    vs::bytesSettingFromEdit(vs::bytesSettingText(utf8));
    return 0;
}
