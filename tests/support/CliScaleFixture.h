#pragma once

// vantor-cli against vantor-scale-sim, for the command-line tests: one temporary folder for the
// tool's settings, the test's files and the file that holds the scale's memory, and no serial
// ports but those a test names. For test programs that define VANTOR_CLI_PATH.

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <string>

#include "CliRun.h"
#include "ScaleMemory.h"

namespace vantor::test {

class CliScaleFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    // Runs the tool with its settings in configFolder() and its files in dataFolder(); `ports`
    // are the only serial ports it may find.
    CliRun cli(const QStringList& arguments, const QString& ports = {}, CliInput input = CliInput::Pipe) {
        return runCli(QStringLiteral(VANTOR_CLI_PATH), arguments, environment(ports), input);
    }
    // The same, with Ctrl+C pressed once the error output shows `cue`.
    CliRun cliInterrupted(const QStringList& arguments, const QString& cue) {
        return runCliInterrupted(QStringLiteral(VANTOR_CLI_PATH), arguments, environment({}), cue);
    }

    QString configFolder() const { return m_folder.filePath(QStringLiteral("config")); }
    QString dataFolder() const { return m_folder.filePath(QStringLiteral("data")); }
    QString path(const QString& name) const { return m_folder.filePath(name); }
    // Writes `content` into the file `name` in the folder; returns its path.
    QString write(const QString& name, const QByteArray& content) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        file.write(content);
        return file.fileName();
    }

    std::string memoryFile() const { return path(QStringLiteral("scale.bin")).toStdString(); }
    Bytes memory(std::size_t from = 0, std::size_t size = 0) const {
        return readScaleMemory(memoryFile(), from, size);
    }

private:
    std::vector<std::pair<QString, QString>> environment(const QString& ports) const {
        return {{QStringLiteral("XDG_CONFIG_HOME"), configFolder()},
                {QStringLiteral("XDG_DATA_HOME"), dataFolder()},
                {QStringLiteral("VANTOR_ONLY_PORTS"), ports}};
    }

    QTemporaryDir m_folder;
};

}  // namespace vantor::test
