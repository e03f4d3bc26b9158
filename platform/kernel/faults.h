// faults.h - fault injection for the kernel's file operations (and the services built on them).
// Every operation is a named site; a test arms the injector with one call and the N-th
// operation that the filter admits fails. WINHOST_FAULT=N[+]:ERROR[:SITE,...] arms it in a
// child process (read at the first operation): N counts from 1, "+" keeps failing from the
// N-th on, ERROR is a name (ERROR_DISK_FULL) or a number, SITE names the sites that may fail.
#ifndef PLATFORM_KERNEL_FAULTS_H
#define PLATFORM_KERNEL_FAULTS_H

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace winhost::faults {

enum class Site {
  CreateFile,
  ReadFile,
  WriteFile,
  CloseHandle,
  MoveFile,
  DeleteFile,
  GetFileAttributes,
  SetFileAttributes,
  CreateDirectory,
  VerInstallFile,
};

// The site's stable name, as filters and traces spell it ("WriteFile").
const char* SiteName(Site site);

enum class Mode { Transient, Persistent };

// Armed with this error, a site throws Injected instead of failing: a test's way to unwind
// through the caller (its clean-up must still run). Named THROW in WINHOST_FAULT. Only the
// services' entries (VerInstallFile) throw: the kernel's operations run in clean-up code,
// where a throw would end the process, so a filter must name those entries alone.
inline constexpr DWORD ThrowError = 0xE0000001u;

struct Injected : std::runtime_error {
  explicit Injected(const std::string& what) : std::runtime_error(what) {}
};

// The N-th admitted operation (from 1) fails with `error`; Persistent: every one from the
// N-th on. `filter`: site names separated by commas; empty admits every site. Re-arming
// resets the counts. Throws std::invalid_argument for an unknown site, or ThrowError with
// a site that cannot throw.
void Arm(unsigned n, DWORD error, std::string_view filter = {}, Mode mode = Mode::Transient);
void Disarm();
// Tests: arm from WINHOST_FAULT now, as the first operation of a process does.
void ArmFromEnvironment();
// Faults fired since the last Arm: 0 after a run tells a sweep it has gone past the end.
unsigned Fired();
// Operations admitted by the filter since the last Arm.
unsigned Counted();
// "WriteFile #3: ERROR_DISK_FULL" for the last fault fired, empty when none.
std::string LastFault();

// Called whenever a fault fires; does nothing, so a debugger can stop on it.
void FaultFired(Site site, DWORD error);

// For the operations themselves: nullopt lets the operation go ahead, otherwise it must fail
// with the error returned (after doing nothing, or for a write, part of its work).
// Throws Injected when armed with ThrowError.
std::optional<DWORD> Check(Site site);

}  // namespace winhost::faults

#endif
