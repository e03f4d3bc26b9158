// tool_files.cpp - whole-file reading and commit-or-remove output for the build tools.
#include "tool_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace tools {

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::is_regular_file(status)) {
    *error = path + ": expected a readable file, found " +
             (ec ? ec.message() : fs::is_directory(status) ? "a folder" : "a special file");
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  const uintmax_t size = fs::file_size(path, ec);
  if (!in || ec) {
    *error = path + ": expected a readable file, found " + (ec ? ec.message() : std::strerror(errno));
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<uintmax_t>(in.gcount()) != size) {
    *error = path + ": expected " + std::to_string(size) + " bytes, found " + std::to_string(in.gcount());
    return std::nullopt;
  }
  return bytes;
}

namespace {

// The temporary beside the target; removed unless committed.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path) : path_(path) {
    const fs::path target(path);
    temp_ = target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(getpid()));
  }
  ~OutputFile() {
    std::error_code ignored;
    if (!committed_) fs::remove(temp_, ignored);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Commit(std::span<const uint8_t> bytes, std::string* error) {
    {
      std::ofstream out(temp_, std::ios::binary | std::ios::trunc);
      if (!out) {
        *error = temp_.string() + ": expected a writable file, found " + std::strerror(errno);
        return false;
      }
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      out.close();
      if (!out) {
        *error = temp_.string() + ": expected " + std::to_string(bytes.size()) + " bytes written, found a write error";
        return false;
      }
    }
    std::error_code ec;
    fs::rename(temp_, path_, ec);
    if (ec) {
      *error = path_ + ": expected to replace it, found " + ec.message();
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  std::string path_;
  fs::path temp_;
  bool committed_ = false;
};

}  // namespace

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
  OutputFile out(path);
  return out.Commit(bytes, error);
}

}  // namespace tools
