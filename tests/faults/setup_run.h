// setup_run.h - runs the built setup program on a drive C of its own, as a user would through
// a script, and reads back its trace and the drive. Shared by the fault sweep and the
// folder-text cases.
#ifndef TESTS_FAULTS_SETUP_RUN_H
#define TESTS_FAULTS_SETUP_RUN_H

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qelt::faults {

namespace fs = std::filesystem;

const fs::path SetupProgram = QELT_BINARY_DIR "/qelt-setup";
const fs::path PayloadDir = QELT_BINARY_DIR "/res/payload";

// The scripts: Next through the whole wizard, or up to the fatal-error message.
inline const std::string Next = "click 1031\n";
inline const std::string CompleteRun = Next + Next + Next + Next;
inline const std::string FailedRun = Next + Next + "answer ok\n";

inline const std::string FatalBox = "msgbox \"Qelt setup : Fatal Error\"";
inline const std::string PanicBox = "msgbox \"Qelt setup : Panic\"";

inline std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Every entry under `root`: relative '/'-separated path -> content, folders as "/" entries
// with no content, and a read-only file's content prefixed by "[ro]".
using Tree = std::map<std::string, std::string>;
inline Tree Snapshot(const fs::path& root) {
  Tree tree;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = fs::relative(it->path(), root).generic_string();
    if (it->is_directory()) {
      tree[name + "/"] = "";
      continue;
    }
    struct stat st {};
    stat(it->path().c_str(), &st);
    tree[name] = ((st.st_mode & S_IWUSR) ? "" : "[ro]") + ReadText(it->path());
  }
  return tree;
}

// The entries of `tree` under the folder `prefix` ("Program Files/Qelt/"), or all others.
inline Tree Inside(const Tree& tree, const std::string& prefix, bool inside = true) {
  Tree part;
  for (const auto& [name, content] : tree)
    if ((name.rfind(prefix, 0) == 0) == inside) part[name] = content;
  return part;
}

inline std::string Differences(const Tree& before, const Tree& after) {
  std::string text;
  for (const auto& [name, content] : after) {
    auto it = before.find(name);
    if (it == before.end()) text += "\n  created " + name;
    else if (it->second != content) text += "\n  changed " + name;
  }
  for (const auto& [name, content] : before)
    if (!after.count(name)) text += "\n  removed " + name;
  return text;
}

struct RunResult {
  int exitCode = -1;
  std::vector<std::string> trace;

  int Count(const std::string& start) const {
    int n = 0;
    for (const std::string& line : trace) n += line.rfind(start, 0) == 0;
    return n;
  }
  bool Has(const std::string& start) const { return Count(start) > 0; }
  // The fault that fired, as the trace names it ("WriteFile #12: ERROR_DISK_FULL"), or empty.
  std::string Fault() const {
    for (const std::string& line : trace)
      if (line.rfind("fault ", 0) == 0) return line.substr(6);
    return {};
  }
  std::string Text() const {
    std::string text;
    for (const std::string& line : trace) text += "\n    " + line;
    return text;
  }
};

// Runs the setup program with drive C at `drive` and the given script; `fault` is the
// WINHOST_FAULT value (empty: none). Files go to `work` (script, trace).
inline RunResult RunSetup(const fs::path& drive, const fs::path& work, const std::string& script,
                          const std::string& fault = {}) {
  fs::path scriptFile = work / "user.script", traceFile = work / "trace.txt";
  WriteText(scriptFile, script);
  fs::remove(traceFile);
  pid_t pid = fork();
  if (pid == 0) {
    setenv("WINHOST_DRIVE_C", drive.c_str(), 1);
    setenv("WINHOST_UI", ("script:" + scriptFile.string()).c_str(), 1);
    setenv("WINHOST_TRACE", traceFile.c_str(), 1);
    if (fault.empty()) unsetenv("WINHOST_FAULT");
    else setenv("WINHOST_FAULT", fault.c_str(), 1);
    unsetenv("WINHOST_VERSION");
    int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execl(SetupProgram.c_str(), SetupProgram.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  RunResult result;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  std::istringstream lines(ReadText(traceFile));
  for (std::string line; std::getline(lines, line);) result.trace.push_back(line);
  return result;
}

}  // namespace qelt::faults

#endif
