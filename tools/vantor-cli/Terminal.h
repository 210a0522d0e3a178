#pragma once

namespace vantor::cli {

// Whether a person is at the other end: questions need a terminal on stdin, the page counter
// that rewrites its line needs one on stderr.
bool stdinIsTerminal();
bool stderrIsTerminal();

}  // namespace vantor::cli
