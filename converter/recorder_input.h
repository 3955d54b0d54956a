// Read-only input stream over a recorder file for pass 1. Each channel walks
// the whole file and passes over the subframes of all other channels, so
// skipping must cost no system call and no copy: the file is seen through a
// fixed-size memory-mapped window (a read buffer where mapping fails), and
// the stdio stream handed to the readers is a cookie stream over it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <string>

class RecorderInput {
public:
    RecorderInput() = default;
    ~RecorderInput();
    RecorderInput(const RecorderInput&) = delete;
    RecorderInput& operator=(const RecorderInput&) = delete;

    // Opens path for reading only. true on success.
    bool open(const std::string& path);
    void close();

    // The stream; reads, seeks and tells never reach the system but through the window.
    std::FILE* stream() const { return stream_; }
    long long size() const { return size_; }

    // Copies n bytes at offset into out without moving the stream. true when
    // all n bytes lie within the file.
    bool peek(long long offset, void* out, std::size_t n);

    // Window size, mapped or buffered (memory stays bounded by it).
    static constexpr long long kWindow = 32LL << 20;

private:
    static ssize_t cookie_read(void* cookie, char* buf, size_t size);
    static int cookie_seek(void* cookie, off64_t* offset, int whence);
    bool load(long long offset); // makes offset part of the window

    int fd_ = -1;
    std::FILE* stream_ = nullptr;
    long long size_ = 0;
    long long pos_ = 0;
    const char* window_ = nullptr; // bytes of [base_, base_ + length_)
    long long base_ = 0;
    long long length_ = 0;
    bool mapped_ = false;
    char* buffer_ = nullptr;       // used when mapping fails
};
