#pragma once

#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>
#include <string>

#include "core/online/HttpFailure.h"
#include "core/online/modQuery.h"

namespace vantor::online {

// The POST of the query channel. Asynchronous: each call sends one request and later calls its
// callback once, on this object's thread, with the rows or the text that explains why there are
// none. Nothing is shown here; the forms decide how to tell the user. Several queries may be in
// flight; destroying the channel abandons them without calling back.
class QueryChannel : public QObject {
    Q_OBJECT
public:
    // A silent or trickling server must not hold the program: a request that has not finished
    // this long after it was sent fails.
    static constexpr std::chrono::seconds kRequestLimit{30};
    // A reply is a few lines of text; anything far larger is not an answer from the script.
    static constexpr qint64 kMaxReplyBytes = 16 * 1024 * 1024;

    using Callback = std::function<void(const QueryResult&)>;

    // The script's address: the web server of VANTOR_WEB_SERVER (or the built-in one) + its path.
    explicit QueryChannel(QObject* parent = nullptr);
    QueryChannel(const QUrl& scriptUrl, QObject* parent = nullptr);

    static QUrl defaultScriptUrl();
    const QUrl& scriptUrl() const { return m_scriptUrl; }

    // For tests of a silent server; the program keeps kRequestLimit.
    void setRequestLimit(std::chrono::milliseconds limit) { m_limit = limit; }

    // A statement that returns rows ("rquery"): result.rows, or result.message / result.failure.
    void FetchRows(const std::string& statement, Callback done);
    // A statement that changes data ("query"): result.executed, or result.message / result.failure.
    void ExecuteQuery(const std::string& statement, Callback done);

private:
    using ReplyReader = QueryResult (*)(std::string_view);
    void post(std::string_view fieldName, const std::string& statement, ReplyReader read, Callback done);
    static std::string failureText(const HttpFailure& failure, std::chrono::milliseconds limit);

    QUrl m_scriptUrl;
    std::chrono::milliseconds m_limit = kRequestLimit;
};

}  // namespace vantor::online
