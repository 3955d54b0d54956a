// Makes fenwold.ico (16, 24, 32, 48 and 64 pixels, 32-bit with alpha) from
// the icon's shapes. Built for and run on the build machine.
//   make_icon OUTPUT.ico
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "icon_shape.h"

namespace {

using namespace fenwold_icon;

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba colour(unsigned rgb) {
    return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0, 1};
}

double segment_distance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// Signed distance to the sheet's rounded rectangle (negative inside).
double sheet_distance(double px, double py) {
    const double r = kSheet[4];
    const double cx = kSheet[0] + kSheet[2] / 2, cy = kSheet[1] + kSheet[3] / 2;
    const double qx = std::fabs(px - cx) - (kSheet[2] / 2 - r);
    const double qy = std::fabs(py - cy) - (kSheet[3] / 2 - r);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

// The colour at one point of the 64 x 64 grid, layers painted in order.
Rgba sample(double x, double y) {
    Rgba c;
    const double d = sheet_distance(x, y);
    if (d <= 0)
        c = colour(kPaper);
    if (std::fabs(d) <= kFrameWidth / 2)
        c = colour(kFrame);
    for (const Polyline& t : kTraces) {
        for (int i = 0; i + 1 < t.points; ++i) {
            if (segment_distance(x, y, t.xy[2 * i], t.xy[2 * i + 1], t.xy[2 * i + 2],
                                 t.xy[2 * i + 3]) <= kTraceWidth / 2) {
                c = colour(t.rgb);
                break;
            }
        }
    }
    if (std::fabs(x - kPickX) <= kPickWidth / 2 && y >= kPickTop && y <= kPickBottom &&
        std::fmod(y - kPickTop, kPickDash + kPickGap) < kPickDash) {
        c = colour(kPick);
    }
    return c;
}

// BGRA rows, bottom row first, as an icon's bitmap holds them.
std::vector<uint8_t> render(int size) {
    constexpr int kSub = 4;
    std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4);
    const double scale = 64.0 / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Rgba sum;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const Rgba s =
                        sample((x + (sx + 0.5) / kSub) * scale, (y + (sy + 0.5) / kSub) * scale);
                    sum.r += s.r * s.a;
                    sum.g += s.g * s.a;
                    sum.b += s.b * s.a;
                    sum.a += s.a;
                }
            }
            uint8_t* p = &out[(static_cast<size_t>(size - 1 - y) * size + x) * 4];
            const double a = sum.a / (kSub * kSub);
            const auto level = [&](double v) {
                return static_cast<uint8_t>(std::lround(sum.a > 0 ? 255.0 * v / sum.a : 0));
            };
            p[0] = level(sum.b);
            p[1] = level(sum.g);
            p[2] = level(sum.r);
            p[3] = static_cast<uint8_t>(std::lround(255.0 * a));
        }
    }
    return out;
}

void put16(std::vector<uint8_t>& b, unsigned v) {
    b.push_back(v & 255);
    b.push_back((v >> 8) & 255);
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const int sizes[] = {16, 24, 32, 48, 64};
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) {
        // An icon image: BITMAPINFOHEADER (height doubled for the mask), the
        // colour rows, then the 1-bit AND mask (all clear: alpha decides).
        std::vector<uint8_t> img;
        put32(img, 40);
        put32(img, size);
        put32(img, size * 2);
        put16(img, 1);
        put16(img, 32);
        put32(img, 0);
        const std::vector<uint8_t> pixels = render(size);
        const uint32_t mask_row = ((size + 31) / 32) * 4;
        put32(img, static_cast<uint32_t>(pixels.size() + mask_row * size));
        for (int i = 0; i < 4; ++i)
            put32(img, 0);
        img.insert(img.end(), pixels.begin(), pixels.end());
        img.insert(img.end(), static_cast<size_t>(mask_row) * size, 0);
        images.push_back(img);
    }
    std::vector<uint8_t> file;
    put16(file, 0);
    put16(file, 1); // icon
    put16(file, static_cast<unsigned>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.push_back(static_cast<uint8_t>(sizes[i]));
        file.push_back(static_cast<uint8_t>(sizes[i]));
        file.push_back(0); // no palette
        file.push_back(0);
        put16(file, 1);
        put16(file, 32);
        put32(file, static_cast<uint32_t>(images[i].size()));
        put32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& img : images)
        file.insert(file.end(), img.begin(), img.end());
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
