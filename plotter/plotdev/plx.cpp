// .PLX record encoding and decoding.
#include "plotdev/plx.h"

#include <cerrno>
#include <memory>

#include "platform/file_handle.h"

bool plx_is_pen_code(int16_t code) {
    switch (code) {
    case 2:
    case 3:
    case 12:
    case 13:
    case -2:
    case -3:
    case -12:
    case -13:
        return true;
    default:
        return false;
    }
}

std::vector<uint8_t> plx_encode_window(float xmin, float ymin, float xmax, float ymax) {
    std::vector<uint8_t> b(PLX_WINDOW_SIZE);
    plx_put_i16(&b[0], PLX_WINDOW);
    plx_put_f32(&b[2], xmin);
    plx_put_f32(&b[6], ymin);
    plx_put_f32(&b[10], xmax);
    plx_put_f32(&b[14], ymax);
    return b;
}

std::vector<uint8_t> plx_encode_color(int16_t index) {
    std::vector<uint8_t> b(PLX_COLOR_SIZE);
    plx_put_i16(&b[0], PLX_COLOR);
    plx_put_i16(&b[2], index);
    return b;
}

std::vector<uint8_t> plx_encode_line_style(int16_t index) {
    std::vector<uint8_t> b(PLX_LINE_STYLE_SIZE);
    plx_put_i16(&b[0], PLX_LINE_STYLE);
    plx_put_i16(&b[2], index);
    return b;
}

std::vector<uint8_t> plx_encode_pen(int16_t code, float x, float y) {
    std::vector<uint8_t> b(PLX_PEN_SIZE);
    plx_put_i16(&b[0], code);
    plx_put_f32(&b[2], x);
    plx_put_f32(&b[6], y);
    return b;
}

std::vector<uint8_t> plx_encode_end() {
    std::vector<uint8_t> b(PLX_END_SIZE);
    plx_put_i16(&b[0], PLX_END);
    return b;
}

int plx_decode(const uint8_t* data, size_t size, std::vector<PlxRecord>& out, std::string& error) {
    out.clear();
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 2) {
            error = "record cut short at byte " + std::to_string(pos);
            return 0;
        }
        PlxRecord r;
        r.code = plx_get_i16(data + pos);
        size_t need;
        if (r.code == PLX_WINDOW) {
            need = PLX_WINDOW_SIZE;
        } else if (r.code == PLX_COLOR || r.code == PLX_LINE_STYLE) {
            need = PLX_COLOR_SIZE;
        } else if (plx_is_pen_code(r.code)) {
            need = PLX_PEN_SIZE;
        } else if (r.code == PLX_END) {
            need = PLX_END_SIZE;
        } else {
            error =
                "unknown record code " + std::to_string(r.code) + " at byte " + std::to_string(pos);
            return 0;
        }
        if (size - pos < need) {
            error = "record cut short at byte " + std::to_string(pos);
            return 0;
        }
        const uint8_t* p = data + pos;
        if (r.code == PLX_WINDOW) {
            for (int i = 0; i < 4; ++i)
                r.v[i] = plx_get_f32(p + 2 + 4 * i);
        } else if (need == PLX_COLOR_SIZE) {
            r.value = plx_get_i16(p + 2);
        } else if (need == PLX_PEN_SIZE) {
            r.v[0] = plx_get_f32(p + 2);
            r.v[1] = plx_get_f32(p + 6);
        }
        out.push_back(r);
        pos += need;
    }
    return 1;
}

int plx_read_file(const std::string& path, std::vector<PlxRecord>& out, std::string& error) {
    out.clear();
    platform::FileHandle f(platform::open_file(path, "rb"));
    if (!f) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return 0;
    }
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    if (std::ferror(f.get())) {
        error = "cannot read " + path;
        return 0;
    }
    return plx_decode(bytes.data(), bytes.size(), out, error);
}
