#include "platform/mapped_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

MappedFile::~MappedFile() {
    close();
}

bool MappedFile::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    size_ = st.st_size;
    return true;
}

void MappedFile::unmap() {
    if (mapped_ && window_)
        munmap(const_cast<std::uint8_t*>(window_), static_cast<size_t>(length_));
    window_ = nullptr;
    mapped_ = false;
    base_ = length_ = 0;
}

void MappedFile::close() {
    unmap();
    std::vector<std::uint8_t>().swap(buffer_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool MappedFile::load(std::int64_t offset, std::size_t n) {
    const auto end = offset + static_cast<std::int64_t>(n);
    if (window_ && offset >= base_ && end <= base_ + length_)
        return true;
    unmap();
    const std::int64_t page = sysconf(_SC_PAGESIZE);
    base_ = offset / page * page;
    length_ = std::min(std::max(window_size_, end - base_), size_ - base_);
    if (length_ <= 0 || end > base_ + length_)
        return false;
    void* p = mmap(nullptr, static_cast<size_t>(length_), PROT_READ, MAP_PRIVATE, fd_, base_);
    if (p != MAP_FAILED) {
        window_ = static_cast<const std::uint8_t*>(p);
        mapped_ = true;
        return true;
    }
    if (buffer_.size() < static_cast<std::size_t>(length_)) {
        try {
            buffer_.resize(static_cast<std::size_t>(length_));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    std::int64_t got = 0;
    while (got < length_) {
        const ssize_t r =
            pread(fd_, buffer_.data() + got, static_cast<size_t>(length_ - got), base_ + got);
        if (r <= 0)
            break;
        got += r;
    }
    length_ = got;
    window_ = buffer_.data();
    return end <= base_ + length_;
}

const std::uint8_t* MappedFile::view_slow(std::int64_t offset, std::size_t n) {
    if (fd_ < 0 || offset < 0 || n > kMaxView || offset + static_cast<std::int64_t>(n) > size_)
        return nullptr;
    if (n == 0)
        return reinterpret_cast<const std::uint8_t*>("");
    if (!load(offset, n))
        return nullptr;
    return window_ + (offset - base_);
}

bool MappedFile::read(std::int64_t offset, void* out, std::size_t n) {
    if (fd_ < 0 || offset < 0 || offset + static_cast<std::int64_t>(n) > size_)
        return false;
    auto* dst = static_cast<std::uint8_t*>(out);
    while (n > 0) {
        const std::size_t part = std::min(n, kMaxView);
        const std::uint8_t* src = view(offset, part);
        if (!src)
            return false;
        std::memcpy(dst, src, part);
        dst += part;
        n -= part;
        offset += static_cast<std::int64_t>(part);
    }
    return true;
}

} // namespace platform
