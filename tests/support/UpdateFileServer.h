#pragma once

// vantor-server serving one update file of random bytes, at the path the program downloads it
// from, out of a temporary folder: for the download tests in process and on the command line.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "DownloadRun.h"
#include "ServerProcess.h"

namespace vantor::test {

class UpdateFileServer {
public:
    explicit UpdateFileServer(int size = 300000) : m_source(randomBytes(size)) {
        EXPECT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("VantorDownload"));
        QFile file(m_root.filePath(QStringLiteral("VantorDownload/VantorUSA_APROM.hex")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(m_source);
        file.close();
        m_server =
            std::make_unique<ServerProcess>(std::vector<std::string>{"--root", m_root.path().toStdString()});
    }

    QUrl url(const char* path = "/VantorDownload/VantorUSA_APROM.hex") const {
        return QUrl(QString::fromStdString(m_server->baseUrl()) + QLatin1String(path));
    }
    const QByteArray& source() const { return m_source; }
    // The server goes away: its address now refuses connections.
    void stop() { m_server->stop(); }

private:
    QByteArray m_source;
    QTemporaryDir m_root;
    std::unique_ptr<ServerProcess> m_server;
};

}  // namespace vantor::test
