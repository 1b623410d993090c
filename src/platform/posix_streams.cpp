// The standard streams as raw bytes on POSIX systems.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/streams.h"

namespace kelv {

StandardStreams::StandardStreams() {
  // A reader that has gone makes a write fail with EPIPE, which the caller hears, rather than
  // end the program unasked.
  ::signal(SIGPIPE, SIG_IGN);
}

std::size_t StandardStreams::read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;
  }
}

bool StandardStreams::ready(int milliseconds) {
  pollfd in{STDIN_FILENO, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&in, 1, milliseconds);
    if (n >= 0) return n > 0;
    if (errno != EINTR) return true;  // let the read tell what is wrong
  }
}

bool StandardStreams::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace kelv
