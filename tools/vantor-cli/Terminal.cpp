#include "Terminal.h"

#include <iostream>

#include "core/app/OneLine.h"
#include "core/app/Trimmed.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <cstdio>
#else
#include <unistd.h>
#endif

namespace vantor::cli {

#ifdef _WIN32
// _isatty also says yes for NUL, which a scheduled task or a shortcut may give as input: only a
// console can answer a question.
bool stdinIsTerminal() {
    DWORD mode = 0;
    return _isatty(_fileno(stdin)) != 0 && ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}
bool stderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
#else
bool stdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}
bool stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}
#endif

bool askYesNo(const std::string& question, bool yes) {
    if (yes)
        return true;
    if (!stdinIsTerminal()) {
        std::cerr << question << " Answered No: no terminal (use --yes).\n";
        return false;
    }
    std::cerr << question << " [y/N] " << std::flush;
    const bool answer = readYes();
    // The input ended before any answer: said, rather than a question left hanging.
    if (!answer && std::cin.eof())
        std::cerr << "\nAnswered No: no answer came (use --yes).\n";
    return answer;
}

Prompts terminalPrompts(bool yes, const std::string& prefix) {
    return {[prefix](const Message& refusal) {
                std::cerr << prefix << refusal.title << ": " << app::oneLine(refusal.text) << "\n";
            },
            [yes](const Message& question) {
                return askYesNo(question.title + ": " + app::oneLine(question.text), yes);
            }};
}

bool readYes() {
    std::string answer;
    std::getline(std::cin, answer);
    const std::string_view word = trimmed(answer, kLineBlanks);
    return word == "y" || word == "Y" || word == "yes" || word == "Yes";
}

}  // namespace vantor::cli
