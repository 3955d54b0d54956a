// The read window on Windows: a view of a file mapping, or a buffer read
// through the C run time when mapping fails. The descriptor is a C run-time
// one, opened by the file's wide name.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/mapped_file.h"
#include "wide_win32.h"

namespace platform {

MappedFile::~MappedFile() {
    close();
}

bool MappedFile::open(const std::string& path) {
    close();
    fd_ = _wopen(widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    struct _stat64 st {};
    if (fd_ < 0 || _fstat64(fd_, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        close();
        return false;
    }
    size_ = st.st_size;
    return true;
}

void MappedFile::unmap() {
    if (mapped_ && window_)
        UnmapViewOfFile(window_);
    window_ = nullptr;
    mapped_ = false;
    base_ = length_ = 0;
}

void MappedFile::close() {
    unmap();
    std::vector<std::uint8_t>().swap(buffer_);
    if (fd_ >= 0)
        _close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool MappedFile::load(std::int64_t offset, std::size_t n) {
    const auto end = offset + static_cast<std::int64_t>(n);
    if (window_ && offset >= base_ && end <= base_ + length_)
        return true;
    unmap();
    // Views start on the allocation granularity (64 KiB), not the page size.
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const std::int64_t grain = si.dwAllocationGranularity;
    base_ = offset / grain * grain;
    length_ = std::min(std::max(window_size_, end - base_), size_ - base_);
    if (length_ <= 0 || end > base_ + length_)
        return false;
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    HANDLE mapping = file == INVALID_HANDLE_VALUE
                         ? nullptr
                         : CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping) {
        void* p = MapViewOfFile(
            mapping, FILE_MAP_READ, static_cast<DWORD>(static_cast<uint64_t>(base_) >> 32),
            static_cast<DWORD>(base_ & 0xffffffff), static_cast<SIZE_T>(length_));
        CloseHandle(mapping); // the view keeps the mapping alive
        if (p) {
            window_ = static_cast<const std::uint8_t*>(p);
            mapped_ = true;
            return true;
        }
    }
    if (buffer_.size() < static_cast<std::size_t>(length_)) {
        try {
            buffer_.resize(static_cast<std::size_t>(length_));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    std::int64_t got = 0;
    if (_lseeki64(fd_, base_, SEEK_SET) == base_) {
        while (got < length_) {
            const unsigned part =
                static_cast<unsigned>(std::min<std::int64_t>(length_ - got, 1 << 30));
            const int r = _read(fd_, buffer_.data() + got, part);
            if (r <= 0)
                break;
            got += r;
        }
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
