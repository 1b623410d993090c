#include <span>

#include "driver/run.h"
#include "format/report.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  kelv::SilentReport report;
  return kelv::run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)),
                   kelv::system_files(), kelv::system_console(), report);
}
