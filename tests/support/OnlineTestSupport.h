#pragma once

// Helpers for the online tests: the Qt application for the event loop, and waiting for one query.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <optional>

#include "platform/online/QueryChannel.h"
#include "support/CoreApplication.h"

namespace vantor::test {

// A query that has not called back by then has hung: the test fails instead of waiting forever.
constexpr int kCallbackLimitMs = 20000;

enum class Operation { Fetch, Execute };

inline online::QueryResult waitForQuery(online::QueryChannel& channel, const std::string& statement,
                                        Operation operation = Operation::Fetch) {
    std::optional<online::QueryResult> result;
    int calls = 0;
    QEventLoop loop;
    auto done = [&](const online::QueryResult& r) {
        result = r;
        ++calls;
        loop.quit();
    };
    if (operation == Operation::Fetch)
        channel.FetchRows(statement, done);
    else
        channel.ExecuteQuery(statement, done);
    QTimer::singleShot(kCallbackLimitMs, &loop, &QEventLoop::quit);
    if (!result)
        loop.exec();
    EXPECT_EQ(calls, 1) << "the callback must run exactly once";
    if (!result) {
        ADD_FAILURE() << "the query never called back";
        return {};
    }
    return *result;
}

}  // namespace vantor::test
