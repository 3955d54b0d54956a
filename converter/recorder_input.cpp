#include "recorder_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

RecorderInput::~RecorderInput() { close(); }

bool RecorderInput::open(const std::string& path)
{
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    size_ = st.st_size;
    cookie_io_functions_t io{};
    io.read = cookie_read;
    io.seek = cookie_seek;
    stream_ = fopencookie(this, "rb", io);
    if (!stream_) {
        close();
        return false;
    }
    // A small stream buffer: a skip discards it, so a larger one would only copy more.
    std::setvbuf(stream_, nullptr, _IOFBF, 128);
    return true;
}

void RecorderInput::close()
{
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
    if (mapped_ && window_)
        munmap(const_cast<char*>(window_), static_cast<size_t>(length_));
    window_ = nullptr;
    mapped_ = false;
    delete[] buffer_;
    buffer_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = pos_ = base_ = length_ = 0;
}

bool RecorderInput::load(long long offset)
{
    if (window_ && offset >= base_ && offset < base_ + length_)
        return true;
    if (mapped_ && window_)
        munmap(const_cast<char*>(window_), static_cast<size_t>(length_));
    window_ = nullptr;
    mapped_ = false;
    const long long page = sysconf(_SC_PAGESIZE);
    base_ = offset / page * page;
    length_ = std::min(kWindow, size_ - base_);
    if (length_ <= 0)
        return false;
    void* p = mmap(nullptr, static_cast<size_t>(length_), PROT_READ, MAP_PRIVATE, fd_, base_);
    if (p != MAP_FAILED) {
        window_ = static_cast<const char*>(p);
        mapped_ = true;
        return true;
    }
    if (!buffer_)
        buffer_ = new (std::nothrow) char[kWindow];
    if (!buffer_)
        return false;
    long long got = 0;
    while (got < length_) {
        const ssize_t n = pread(fd_, buffer_ + got, static_cast<size_t>(length_ - got), base_ + got);
        if (n <= 0)
            break;
        got += n;
    }
    length_ = got;
    window_ = buffer_;
    return got > 0;
}

bool RecorderInput::peek(long long offset, void* out, std::size_t n)
{
    if (offset < 0 || offset + static_cast<long long>(n) > size_)
        return false;
    auto* dst = static_cast<char*>(out);
    while (n > 0) {
        if (!load(offset))
            return false;
        const long long at = offset - base_;
        const std::size_t part = static_cast<std::size_t>(std::min<long long>(static_cast<long long>(n), length_ - at));
        std::memcpy(dst, window_ + at, part);
        dst += part;
        n -= part;
        offset += static_cast<long long>(part);
    }
    return true;
}

ssize_t RecorderInput::cookie_read(void* cookie, char* buf, size_t size)
{
    auto* in = static_cast<RecorderInput*>(cookie);
    size_t done = 0;
    while (done < size && in->pos_ < in->size_) {
        if (!in->load(in->pos_))
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        const long long at = in->pos_ - in->base_;
        const size_t n = static_cast<size_t>(std::min<long long>(static_cast<long long>(size - done), in->length_ - at));
        std::memcpy(buf + done, in->window_ + at, n);
        done += n;
        in->pos_ += static_cast<long long>(n);
    }
    return static_cast<ssize_t>(done);
}

int RecorderInput::cookie_seek(void* cookie, off64_t* offset, int whence)
{
    auto* in = static_cast<RecorderInput*>(cookie);
    long long target = *offset;
    if (whence == SEEK_CUR)
        target += in->pos_;
    else if (whence == SEEK_END)
        target += in->size_;
    if (target < 0)
        return -1;
    in->pos_ = target;
    *offset = target;
    return 0;
}
