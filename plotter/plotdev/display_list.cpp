// The display list: a byte buffer of paint tags that grows tag by tag.
#include "plotdev/display_list.h"

#include <cstdlib>
#include <cstring>

namespace {

void put_i32(uint8_t* p, int32_t v) {
    std::memcpy(p, &v, 4);
} // native order
void put_u32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}
void put_i16(uint8_t* p, int16_t v) {
    std::memcpy(p, &v, 2);
}
void put_f32(uint8_t* p, float v) {
    std::memcpy(p, &v, 4);
}

} // namespace

DisplayList::~DisplayList() {
    release();
}

int DisplayList::create(Realloc realloc_fn) {
    release();
    realloc_ = realloc_fn ? realloc_fn : &std::realloc;
    void* p = realloc_(nullptr, 4);
    if (!p)
        return 0;
    data_ = static_cast<uint8_t*>(p);
    put_i32(data_, PAINT_END);
    size_ = 4;
    return 1;
}

void DisplayList::release() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

// The new tag replaces the end tag, and a new end tag follows it: the buffer
// grows by exactly the tag's size. On failure the old buffer stays intact.
int DisplayList::append(const uint8_t* tag, size_t n) {
    if (!data_)
        return 0;
    void* p = realloc_(data_, size_ + n);
    if (!p)
        return 0;
    data_ = static_cast<uint8_t*>(p);
    std::memcpy(data_ + size_ - 4, tag, n);
    size_ += n;
    put_i32(data_ + size_ - 4, PAINT_END);
    return 1;
}

int DisplayList::add_move(float x, float y) {
    uint8_t t[12];
    put_i32(t, PAINT_MOVE);
    put_f32(t + 4, x);
    put_f32(t + 8, y);
    return append(t, sizeof t);
}

int DisplayList::add_line(float x, float y) {
    uint8_t t[12];
    put_i32(t, PAINT_LINE);
    put_f32(t + 4, x);
    put_f32(t + 8, y);
    return append(t, sizeof t);
}

int DisplayList::add_pen(int32_t style, uint32_t rgb) {
    uint8_t t[12];
    put_i32(t, PAINT_PEN);
    put_i32(t + 4, style);
    put_u32(t + 8, rgb);
    return append(t, sizeof t);
}

int DisplayList::add_fill(int16_t color, float x1, float y1, float x2, float y2) {
    uint8_t t[22];
    put_i32(t, PAINT_FILL);
    put_i16(t + 4, color);
    put_f32(t + 6, x1);
    put_f32(t + 10, y1);
    put_f32(t + 14, x2);
    put_f32(t + 18, y2);
    return append(t, sizeof t);
}
