#include "OnlineCommands.h"

#include <QEventLoop>
#include <iostream>
#include <optional>

#include "ScaleCommands.h"
#include "core/online/UpdateQueries.h"
#include "platform/online/QueryChannel.h"

namespace vantor::cli {

using namespace vantor::online;

namespace {

struct Answer {
    std::string value;    // trimmed, as the server gave it
    std::string problem;  // what the channel reported instead, for stderr
};

// One question, waited for here: the command line has nothing else to do meanwhile.
Answer ask(QueryChannel& channel, std::string_view statement) {
    std::optional<QueryResult> result;
    QEventLoop loop;
    channel.FetchRows(std::string(statement), [&](const QueryResult& r) {
        result = r;
        loop.quit();
    });
    if (!result)
        loop.exec();
    if (!result->failure.empty())
        return {{}, "Error: " + result->failure};
    if (!result->message.empty())
        return {{}, result->message};
    return {AnswerText(result->rows), {}};
}

bool reportUpdate(const Answer& answer) {
    if (!answer.problem.empty()) {
        std::cerr << answer.problem << "\n";
        return false;
    }
    if (ReadUpdateAnswer(answer.value) == UpdateAnswer::Unknown) {
        std::cerr << kUnableToCheckUpdate;
        if (!answer.value.empty())
            std::cerr << " The server answered \"" << answer.value << "\".";
        std::cerr << "\n";
        return false;
    }
    std::cout << "software-update: " << answer.value << "\n";
    return true;
}

bool reportVersion(const Answer& answer) {
    if (!answer.problem.empty()) {
        std::cerr << answer.problem << "\n";
        return false;
    }
    if (answer.value.empty()) {
        std::cerr << kUnableToCheckVersion << "\n";
        return false;
    }
    std::cout << "latest-version: Version " << answer.value << "\n";
    return true;
}

}  // namespace

int checkCommand(const ParsedCommand&) {
    QueryChannel channel;
    std::cerr << "Asking " << channel.scriptUrl().toString().toStdString() << "...\n";
    const Answer update = ask(channel, kSoftwareUpdateStatement);
    const Answer version = ask(channel, kCurrentVersionStatement);
    const bool updateOk = reportUpdate(update);
    const bool versionOk = reportVersion(version);
    std::cout.flush();
    return updateOk && versionOk ? kSuccess : kScaleFailed;
}

}  // namespace vantor::cli
