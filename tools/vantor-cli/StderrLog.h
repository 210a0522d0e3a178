#pragma once

#include <QLoggingCategory>
#include <iostream>
#include <streambuf>
#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcCli)

namespace vantor::cli {

// With --log-file, what the command tells the user on stderr (refusals, questions, results) goes
// into the support log as well, line by line, under "vantor.cli". A line overwritten with a
// carriage return (the page counter) is left out; its final state ends with a line break.
class StderrLog : private std::streambuf {
public:
    StderrLog();
    ~StderrLog() override;
    StderrLog(const StderrLog&) = delete;
    StderrLog& operator=(const StderrLog&) = delete;

private:
    int overflow(int ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;
    void take(char c);

    std::streambuf* m_terminal;
    std::string m_line;
};

}  // namespace vantor::cli
