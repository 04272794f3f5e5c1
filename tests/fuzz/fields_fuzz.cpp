// The reply escaper, carried across reports, and the field conversions.
#include "fuzz_input.h"
#include "stick/fields.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    const int bits = 1 + in.byte() % 64;
    const size_t cut = 1 + in.byte() % 64; // bytes per report
    vs::EscapeDecoder decoder;
    std::string escaped;
    const std::string raw = in.rest();
    for (size_t at = 0; at < raw.size(); at += cut)
        escaped += vs::escapeBytes(decoder, reinterpret_cast<const uint8_t*>(raw.data()) + at,
                                   std::min(cut, raw.size() - at));
    // Escaped text is printable: it can travel in a text reply and a log line.
    for (char c : escaped)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            std::abort();
    vs::Unescape(escaped);
    vs::Unescape(raw);
    for (const std::string& field : vs::splitFields(escaped)) {
        vs::realValue(field);
        if (const auto v = vs::wholeValue(field, bits)) {
            // A whole value fits the asked width.
            if (bits < 64 && (*v >= (int64_t{1} << (bits - 1)) || *v < -(int64_t{1} << (bits - 1))))
                std::abort();
        }
        if (const auto r = vs::strictReal(field))
            vs::wholeFromReal(*r, bits);
    }
    vs::realValue(raw);
    vs::wholeValue(raw, bits);
    vs::strictReal(raw);
    return 0;
}
