// The watch (--watch): converts what -u would, then waits for sources to be saved and converts
// again what changed, until the user ends it.
#pragma once

#include "driver/options.h"
#include "platform/platform.h"
#include "platform/watcher.h"

namespace kelv {

// Watches the files and folders of `options` through `watcher`, converting as they change;
// failures are told and the watch goes on. The status once the user ends it: 0.
int watch(const Options& options, FileSystem& files, Console& console, Watcher& watcher);

}  // namespace kelv
