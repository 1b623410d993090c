// The driver: reads the command line and converts every path whose base name selects a kind,
// one after the other, in command-line order.
#pragma once

#include <span>

#include "driver/jobs.h"
#include "driver/options.h"
#include "platform/platform.h"

namespace kelv {

// Exit statuses.
inline constexpr int kExitOk = 0;      // every recognised path converted, or kept by the user
inline constexpr int kExitFailed = 1;  // a source could not be read or an output not written
inline constexpr int kExitUsage = 2;   // the command line is wrong

// Runs the program on `args` (element 0 is the program itself).
int run(std::span<const char* const> args, FileSystem& files, Console& console);

// One run over `jobs`, gathered for `options`: what the command line does once its files are
// gathered, and what the watch does each time sources change.
int convert(const Options& options, std::span<const Job> jobs, FileSystem& files, Console& console);

}  // namespace kelv
