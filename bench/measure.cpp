// measure.cpp - medians of repeated runs, and child processes started with posix_spawn.
#include "measure.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

extern char** environ;

namespace bench {

namespace {

double Sample(const std::function<void()>& run, double minSample) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  int calls = 0;
  double elapsed = 0;
  do {
    run();
    calls++;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < minSample);
  return elapsed / calls;
}

double MedianOf(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  size_t n = samples.size();
  return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

}  // namespace

double Median(int reps, const std::function<void()>& run, double minSample) {
  return Medians(reps, {run}, minSample)[0];
}

std::vector<double> Medians(int reps, const std::vector<std::function<void()>>& runs, double minSample) {
  std::vector<std::vector<double>> samples(runs.size());
  for (int r = 0; r < reps; r++)
    for (size_t k = 0; k < runs.size(); k++) samples[k].push_back(Sample(runs[k], minSample));
  std::vector<double> medians;
  for (std::vector<double>& s : samples) medians.push_back(MedianOf(std::move(s)));
  return medians;
}

void Run(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
         const std::map<std::string, std::string>& env) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.empty() ? "/dev/null" : in.c_str(), O_RDONLY, 0);
  if (!out.empty()) posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  std::vector<std::string> envText;
  for (char** e = environ; *e; e++) {
    std::string entry(*e);
    std::string key = entry.substr(0, entry.find('='));
    if (!env.count(key)) envText.push_back(entry);
  }
  for (const auto& [key, value] : env) envText.push_back(key + "=" + value);
  std::vector<char*> envp, args;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argText(argv);
  for (std::string& a : argText) args.push_back(a.data());
  args.push_back(nullptr);

  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error(argv[0] + ": cannot start it");
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(argv[0] + ": expected exit code 0, found " +
                             (WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "a signal"));
}

}  // namespace bench
