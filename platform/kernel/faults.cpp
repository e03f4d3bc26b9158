// faults.cpp - the one fault injector of the kernel's file operations.
#include "kernel/faults.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "core/trace.h"
#include "kernel/error.h"

namespace winhost::faults {
namespace {

constexpr const char* SiteNames[] = {
    "CreateFile", "ReadFile",          "WriteFile",         "CloseHandle",     "MoveFile",
    "DeleteFile", "GetFileAttributes", "SetFileAttributes", "CreateDirectory", "VerInstallFile",
};
static_assert(std::size(SiteNames) == static_cast<size_t>(Site::VerInstallFile) + 1);

struct Injector {
  bool armed = false;
  bool environmentRead = false;
  unsigned target = 0;
  DWORD error = 0;
  Mode mode = Mode::Transient;
  unsigned siteMask = ~0u;  // bit per Site
  unsigned counted = 0;
  unsigned fired = 0;
  std::string last;
};

Injector& State() {
  static Injector injector;
  return injector;
}

std::optional<unsigned> ParseFilter(std::string_view filter) {
  if (filter.empty()) return ~0u;
  unsigned mask = 0;
  while (!filter.empty()) {
    size_t comma = filter.find(',');
    std::string_view name = filter.substr(0, comma);
    bool known = false;
    for (size_t i = 0; i < std::size(SiteNames); i++) {
      if (name == SiteNames[i]) {
        mask |= 1u << i;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    filter = comma == std::string_view::npos ? std::string_view() : filter.substr(comma + 1);
  }
  return mask;
}

constexpr unsigned ThrowingSites = 1u << static_cast<unsigned>(Site::VerInstallFile);

bool CanArm(DWORD error, unsigned mask) { return error != ThrowError || (mask & ~ThrowingSites) == 0; }

void ArmFrom(Injector& state, unsigned n, DWORD error, unsigned mask, Mode mode) {
  state.armed = n > 0;
  state.target = n;
  state.error = error;
  state.mode = mode;
  state.siteMask = mask;
  state.counted = 0;
  state.fired = 0;
  state.last.clear();
}

// WINHOST_FAULT=N[+]:ERROR[:SITE,...]; a malformed value is reported once and arms nothing.
void ReadEnvironment(Injector& state) {
  state.environmentRead = true;
  const char* value = std::getenv("WINHOST_FAULT");
  if (!value || !*value) return;
  std::string_view text(value);
  auto fail = [&] {
    std::fprintf(stderr,
                 "winhost: WINHOST_FAULT is \"%s\": expected N[+]:ERROR[:SITE,...] "
                 "(e.g. 3:ERROR_DISK_FULL:WriteFile); no fault is armed\n",
                 value);
  };
  size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return fail();
  std::string_view count = text.substr(0, colon);
  Mode mode = Mode::Transient;
  if (count.back() == '+') {
    mode = Mode::Persistent;
    count.remove_suffix(1);
  }
  unsigned n = 0;
  auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
  if (ec != std::errc() || end != count.data() + count.size() || n == 0) return fail();
  std::string_view rest = text.substr(colon + 1);
  size_t siteColon = rest.find(':');
  std::string_view errorText = rest.substr(0, siteColon);
  std::string_view filter = siteColon == std::string_view::npos ? std::string_view() : rest.substr(siteColon + 1);
  std::optional<DWORD> error = errorText == "THROW" ? std::optional<DWORD>(ThrowError) : ParseErrorName(errorText);
  std::optional<unsigned> mask = ParseFilter(filter);
  if (!error || !mask || (siteColon != std::string_view::npos && filter.empty()) || !CanArm(*error, *mask))
    return fail();
  ArmFrom(state, n, *error, *mask, mode);
}

}  // namespace

const char* SiteName(Site site) { return SiteNames[static_cast<size_t>(site)]; }

void Arm(unsigned n, DWORD error, std::string_view filter, Mode mode) {
  Injector& state = State();
  state.environmentRead = true;  // a test's choice wins over the environment's
  std::optional<unsigned> mask = ParseFilter(filter);
  if (!mask) throw std::invalid_argument("winhost::faults::Arm: unknown site in \"" + std::string(filter) + "\"");
  if (!CanArm(error, *mask))
    throw std::invalid_argument("winhost::faults::Arm: only VerInstallFile can throw, not \"" + std::string(filter) + "\"");
  ArmFrom(state, n, error, *mask, mode);
}

void Disarm() {
  Injector& state = State();
  state.environmentRead = true;
  state.armed = false;
}

void ArmFromEnvironment() {
  Injector& state = State();
  state.armed = false;
  ReadEnvironment(state);
}

unsigned Fired() { return State().fired; }
unsigned Counted() { return State().counted; }
std::string LastFault() { return State().last; }

// Kept out of line and not folded away, so that a breakpoint on it always stops.
__attribute__((noinline)) void FaultFired(Site, DWORD) { asm volatile(""); }

std::optional<DWORD> Check(Site site) {
  Injector& state = State();
  if (!state.environmentRead) ReadEnvironment(state);
  if (!state.armed || !(state.siteMask & (1u << static_cast<unsigned>(site)))) return std::nullopt;
  unsigned op = ++state.counted;
  bool fires = state.mode == Mode::Persistent ? op >= state.target : op == state.target;
  if (!fires) return std::nullopt;
  state.fired++;
  state.last = std::string(SiteName(site)) + " #" + std::to_string(op) + ": " +
               (state.error == ThrowError ? std::string("THROW") : ErrorName(state.error));
  Trace("fault " + state.last);
  FaultFired(site, state.error);
  if (state.error == ThrowError) throw Injected("injected fault at " + state.last);
  return state.error;
}

}  // namespace winhost::faults
