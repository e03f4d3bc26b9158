// trace.h - the platform's trace: one line for each thing a user would see or a tester needs.
#ifndef PLATFORM_CORE_TRACE_H
#define PLATFORM_CORE_TRACE_H

#include <string>
#include <string_view>

namespace winhost {

// True when WINHOST_TRACE names a file (or a test opened a trace).
bool TraceEnabled();
// Writes one line at once (flushed), so a trace survives a crash or a kill.
void Trace(std::string_view line);
// Text as the trace shows it: a line feed becomes the two characters \n.
std::string TraceEscape(std::string_view text);
// Tests: send the trace to PATH (empty: off), replacing the environment's choice.
void SetTraceFile(const std::string& path);

}  // namespace winhost

#endif
