// kelvconv --lsp: the language server on the standard streams, converting on save and on
// command as the command line converts.
#pragma once

namespace kelv {

// Serves the editor that started the program until it says exit; the exit status.
int serve_editor();

}  // namespace kelv
