// The language server: kelvconv --lsp. It speaks the Language Server Protocol (3.17) over a
// transport until the editor says exit or the input ends, and returns the exit status the
// protocol gives: 0 after a shutdown request, 1 otherwise.
//
// One thread: messages are handled in the order they come. A request that a later
// $/cancelRequest in the same burst cancels is answered as cancelled; the findings of changed
// documents are published once the editor has paused (nothing more to read for a moment), so
// that typing is not held up by checks of text that is changing anyway.
#pragma once

#include "lsp/host.h"
#include "lsp/transport.h"

namespace kelv::lsp {

// How long the input must stay quiet before the findings of changed documents are published.
inline constexpr int kQuietMilliseconds = 150;

// Serves one editor over `transport`; `host` converts on save and on command (none: no
// conversions).
int serve(Transport& transport, Host* host);

}  // namespace kelv::lsp
