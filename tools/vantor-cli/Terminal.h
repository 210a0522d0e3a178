#pragma once

namespace vantor::cli {

// Whether a person is at the other end: questions need a terminal on stdin, the page counter
// that rewrites its line needs one on stderr.
bool stdinIsTerminal();
bool stderrIsTerminal();

}  // namespace vantor::cli

#include <string>

#include "core/app/Prompts.h"

namespace vantor::cli {

// The answer typed on the terminal to a question already shown: true for y, Y, yes or Yes
// (blanks and a carriage return around it do not count).
bool readYes();

// A yes/no question on the terminal: Yes with `yes` (--yes) without asking; No when stdin is no
// terminal (said on stderr, with the hint to use --yes).
bool askYesNo(const std::string& question, bool yes);

// The rules' messages on the terminal: a refusal on one line of stderr after `prefix` (a file's
// name, say), a question asked with askYesNo on one line.
Prompts terminalPrompts(bool yes, const std::string& prefix = {});

}  // namespace vantor::cli
