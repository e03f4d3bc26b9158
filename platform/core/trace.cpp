// trace.cpp - the trace file named by WINHOST_TRACE.
#include "core/trace.h"

#include <cstdio>
#include <cstdlib>

namespace winhost {
namespace {

struct TraceFile {
  std::FILE* file = nullptr;
  bool decided = false;
  ~TraceFile() {
    if (file) std::fclose(file);
  }
};

TraceFile& State() {
  static TraceFile state;
  if (!state.decided) {
    state.decided = true;
    if (const char* path = std::getenv("WINHOST_TRACE"); path && *path) state.file = std::fopen(path, "a");
  }
  return state;
}

}  // namespace

bool TraceEnabled() { return State().file != nullptr; }

void Trace(std::string_view line) {
  TraceFile& state = State();
  if (!state.file) return;
  std::fwrite(line.data(), 1, line.size(), state.file);
  std::fputc('\n', state.file);
  std::fflush(state.file);
}

std::string TraceEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

void SetTraceFile(const std::string& path) {
  TraceFile& state = State();
  if (state.file) std::fclose(state.file);
  state.file = path.empty() ? nullptr : std::fopen(path.c_str(), "w");
}

}  // namespace winhost
