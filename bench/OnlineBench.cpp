// The query channel's own costs:
//  - RC4 throughput (every statement and reply passes through it);
//  - ParseRows on a 1 MiB reply (far larger than any answer the checks get);
//  - one FetchRows round trip against vantor-server on loopback, reported as the median of 100
//    (target: under 20 ms, so the main menu's two checks stay unnoticeable).

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>

#include "core/online/UpdateQueries.h"
#include "core/online/clsRC4.h"
#include "core/online/modQuery.h"
#include "platform/online/QueryChannel.h"
#include "support/ServerProcess.h"

using namespace vantor;
using namespace vantor::online;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr int kRoundTrips = 100;
constexpr int kRoundTripLimitMs = 10000;

void BM_Rc4Throughput(benchmark::State& state) {
    clsRC4 cipher;
    cipher.Key(std::string(kQueryKey));
    clsRC4::Bytes data(static_cast<std::size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        cipher.EncryptByte(data);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Rc4Throughput)->Arg(64)->Arg(static_cast<int64_t>(kMiB))->Unit(benchmark::kMicrosecond);

// About 1 MiB in the reply format: 32767 rows of four fields, some with escapes.
std::string oneMiBReply() {
    std::vector<std::vector<std::string>> rows;
    std::size_t size = 0;
    for (int r = 0; r < kMaxTableDimension && size < kMiB; ++r) {
        rows.push_back({"USA", std::to_string(r), "a|b\\c", "Version 3.0"});
        size += 30;
    }
    return FormatRows(4, rows);
}

void BM_ParseRowsOneMiB(benchmark::State& state) {
    const std::string reply = oneMiBReply();
    for (auto _ : state) {
        QueryTable table = ParseRows(reply);
        if (table.rowCount() < 1)
            state.SkipWithError("no rows");
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(reply.size()));
    state.counters["reply_bytes"] = static_cast<double>(reply.size());
}
BENCHMARK(BM_ParseRowsOneMiB)->Unit(benchmark::kMillisecond);

bool fetchOnce(QueryChannel& channel) {
    std::optional<QueryResult> result;
    QEventLoop loop;
    channel.FetchRows(std::string(kCurrentVersionStatement), [&](const QueryResult& r) {
        result = r;
        loop.quit();
    });
    QTimer::singleShot(kRoundTripLimitMs, &loop, &QEventLoop::quit);
    if (!result)
        loop.exec();
    return result && AnswerText(result->rows) == "3.0";
}

void BM_FetchRowsRoundTrip(benchmark::State& state) {
    test::ServerProcess server;
    QueryChannel channel(QUrl(QString::fromStdString(server.scriptUrl())));
    std::vector<double> milliseconds;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        if (!fetchOnce(channel)) {
            state.SkipWithError("no answer from vantor-server");
            break;
        }
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
    }
    if (milliseconds.empty())
        return;
    std::sort(milliseconds.begin(), milliseconds.end());
    state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
    state.counters["max_ms"] = milliseconds.back();
}
BENCHMARK(BM_FetchRowsRoundTrip)->Iterations(kRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
