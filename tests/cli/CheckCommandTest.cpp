// vantor-cli check, run in process against vantor-server: the two lines it prints, and exit
// status 1 with the reason when an answer is missing or not usable.

#include "OnlineCommands.h"
#include "support/OnlineTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/ServerProcess.h"

using namespace vantor;
using test::ServerProcess;

namespace {

struct CheckRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

class CheckCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    CheckRun check(const std::string& webServer) {
        m_environment.set("VANTOR_WEB_SERVER", QByteArray::fromStdString(webServer));
        cli::ParsedCommand command;
        command.name = "check";
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        CheckRun run;
        run.exitStatus = cli::checkCommand(command);
        run.out = ::testing::internal::GetCapturedStdout();
        run.err = ::testing::internal::GetCapturedStderr();
        return run;
    }

    test::ScopedEnvironment m_environment;
};

TEST_F(CheckCommand, PrintsBothAnswersTrimmed) {
    ServerProcess server({"--software-update", "y", "--current-version", " 3.1 "});
    const CheckRun run = check(server.baseUrl());
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "software-update: y\nlatest-version: Version 3.1\n");
}

TEST_F(CheckCommand, AnUpdateAnswerOtherThanYOrNFails) {
    ServerProcess server({"--software-update", "Yes"});
    const CheckRun run = check(server.baseUrl());
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "latest-version: Version 3.0\n");
    EXPECT_NE(run.err.find("Unable to check software update. The server answered \"Yes\"."),
              std::string::npos)
        << run.err;
}

TEST_F(CheckCommand, AMissingAnswerFails) {
    ServerProcess server({"--software-update", "", "--current-version", "  "});
    const CheckRun run = check(server.baseUrl());
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Unable to check software update.\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("An error occurred while trying to check latest version of PC Program."),
              std::string::npos);
}

TEST_F(CheckCommand, AServerThatCannotBeReachedFailsWithTheReason) {
    ServerProcess server;
    const std::string url = server.baseUrl();
    server.stop();
    const CheckRun run = check(url);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Error: "), std::string::npos) << run.err;
}

}  // namespace
