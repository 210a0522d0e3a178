#include "StderrLog.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCli, "vantor.cli", QtWarningMsg)

namespace vantor::cli {

StderrLog::StderrLog() : m_terminal(std::cerr.rdbuf(this)) {}

StderrLog::~StderrLog() {
    if (!m_line.empty())
        qCInfo(lcCli).noquote() << QString::fromStdString(m_line);
    std::cerr.rdbuf(m_terminal);
}

int StderrLog::overflow(int ch) {
    if (ch == traits_type::eof())
        return traits_type::not_eof(ch);
    take(static_cast<char>(ch));
    return m_terminal->sputc(static_cast<char>(ch));
}

std::streamsize StderrLog::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i)
        take(s[i]);
    return m_terminal->sputn(s, n);
}

int StderrLog::sync() {
    return m_terminal->pubsync();
}

void StderrLog::take(char c) {
    if (c == '\n') {
        if (!m_line.empty())
            qCInfo(lcCli).noquote() << QString::fromStdString(m_line);
        m_line.clear();
    } else if (c == '\r') {
        m_line.clear();
    } else {
        m_line.push_back(c);
    }
}

}  // namespace vantor::cli
