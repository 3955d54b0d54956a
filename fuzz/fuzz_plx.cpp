// The .PLX reader on any image; whatever it accepts encodes back to the
// bytes it came from.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <plotdev/plx.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(data, data + size);
    std::vector<PlxRecord> records;
    std::string error;
    if (plx_decode(image.data(), image.size(), records, error) != 1) {
        if (error.empty())
            __builtin_trap(); // a refusal always says why
        return 0;
    }
    std::vector<std::uint8_t> again;
    for (const PlxRecord& r : records) {
        std::vector<std::uint8_t> bytes;
        switch (r.code) {
        case PLX_WINDOW:
            bytes = plx_encode_window(r.v[0], r.v[1], r.v[2], r.v[3]);
            break;
        case PLX_COLOR:
            bytes = plx_encode_color(r.value);
            break;
        case PLX_LINE_STYLE:
            bytes = plx_encode_line_style(r.value);
            break;
        case PLX_END:
            bytes = plx_encode_end();
            break;
        default:
            if (!plx_is_pen_code(r.code))
                __builtin_trap();
            bytes = plx_encode_pen(r.code, r.v[0], r.v[1]);
        }
        again.insert(again.end(), bytes.begin(), bytes.end());
    }
    if (again.size() > image.size() || !std::equal(again.begin(), again.end(), image.begin()))
        __builtin_trap();
    return 0;
}
