// test_files.h - paths of the built payload and its sources, and whole-file reading.
#ifndef TESTS_RES_TEST_FILES_H
#define TESTS_RES_TEST_FILES_H

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace restest {

inline std::string PayloadPath(const std::string& name) { return std::string(QELT_BINARY_DIR) + "/res/payload/" + name; }
inline std::string SourcePath(const std::string& name) { return std::string(QELT_SOURCE_DIR) + "/" + name; }

// The file's bytes; an empty vector with exists = false when it cannot be opened.
inline std::vector<uint8_t> ReadBytes(const std::string& path, bool* exists = nullptr) {
  std::ifstream in(path, std::ios::binary);
  if (exists) *exists = static_cast<bool>(in);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return {bytes.begin(), bytes.end()};
}

}  // namespace restest

#endif
