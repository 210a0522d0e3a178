#include "Terminal.h"

#ifdef _WIN32
#include <io.h>
#include <cstdio>
#else
#include <unistd.h>
#endif

namespace vantor::cli {

#ifdef _WIN32
bool stdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }
bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
#else
bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }
#endif

}  // namespace vantor::cli
