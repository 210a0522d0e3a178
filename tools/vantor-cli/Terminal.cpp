#include "Terminal.h"

#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <cstdio>
#else
#include <unistd.h>
#endif

namespace vantor::cli {

#ifdef _WIN32
bool stdinIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
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
    return readYes();
}

bool readYes() {
    std::string answer;
    std::getline(std::cin, answer);
    const auto first = answer.find_first_not_of(" \t\r");
    const auto last = answer.find_last_not_of(" \t\r");
    answer = first == std::string::npos ? "" : answer.substr(first, last - first + 1);
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

}  // namespace vantor::cli
