// module.h - modules and their resources on the host platform.
#ifndef PLATFORM_KERNEL_MODULE_H
#define PLATFORM_KERNEL_MODULE_H

#include <windows.h>

#include <cstdint>
#include <span>

namespace winhost {

// The program's own module: the .res linked into the executable (winhost_main_res).
HMODULE MainModule();
// A module over a .res image given by a test (a fixture lacking a resource, say).
// The bytes are copied; the module lives until the process ends.
HMODULE LoadResModule(std::span<const std::uint8_t> res);

}  // namespace winhost

#endif
