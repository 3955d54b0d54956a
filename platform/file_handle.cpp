#include "platform/file_handle.h"

namespace platform {

std::FILE* open_file(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool close_file(FileHandle& f) {
  std::FILE* raw = f.release();
  return raw == nullptr || std::fclose(raw) == 0;
}

}  // namespace platform
