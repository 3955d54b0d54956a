// A file opened for reading only and seen through a bounded window: memory
// mapped where the system allows it, read into a buffer otherwise. Memory
// stays bounded by the window whatever the file's size, and looking at bytes
// inside the window costs no system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens a regular file by its UTF-8 name for reading. true on success.
    bool open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }

    // Bytes mapped at a time (at least those of the view asked for); the
    // default is kWindow. Smaller windows keep less of the file resident.
    void set_window(std::int64_t bytes) { window_size_ = bytes > 0 ? bytes : kWindow; }

    // Length of the file when it was opened.
    std::int64_t size() const { return size_; }

    // The n bytes at offset, valid until the next call on this object; null
    // when they do not lie wholly inside the file, when n is larger than
    // kMaxView, or when they cannot be read.
    const std::uint8_t* view(std::int64_t offset, std::size_t n) {
        if (window_ && offset >= base_ &&
            offset + static_cast<std::int64_t>(n) <= base_ + length_ && n <= kMaxView)
            return window_ + (offset - base_);
        return view_slow(offset, n);
    }

    // Copies n bytes at offset (any n) into out. true when all of them lie
    // inside the file and were read.
    bool read(std::int64_t offset, void* out, std::size_t n);

    // The window moved over the file, and the largest single view.
    static constexpr std::int64_t kWindow = 32LL << 20;
    static constexpr std::size_t kMaxView = 16u << 20;

  private:
    const std::uint8_t* view_slow(std::int64_t offset, std::size_t n);
    bool load(std::int64_t offset, std::size_t n); // makes [offset, offset + n) part of the window
    void unmap();

    int fd_ = -1;
    std::int64_t size_ = 0;
    const std::uint8_t* window_ = nullptr; // bytes of [base_, base_ + length_)
    std::int64_t base_ = 0;
    std::int64_t length_ = 0;
    bool mapped_ = false;
    std::int64_t window_size_ = kWindow;
    std::vector<std::uint8_t> buffer_; // used when mapping fails
};

} // namespace platform
