// The banner fetch over real HTTP, from vantor-server on 127.0.0.1: the body saved whole under the
// address's last name, or nothing saved at all.

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

#include "platform/online/BannerFetch.h"
#include "platform/online/ConnectionProbe.h"
#include "support/DownloadRun.h"
#include "support/OnlineTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/ServerProcess.h"
#include "support/TinyProxyProcess.h"

using namespace vantor;
using test::ServerProcess;

namespace {

class BannerFetchHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    void SetUp() override {
        ASSERT_TRUE(m_served.isValid());
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(QDir(m_served.path()).mkpath(QStringLiteral("VantorDownload")));
    }

    void serve(const QByteArray& banner) {
        QFile file(m_served.filePath(QStringLiteral("VantorDownload/usaupdatebanner.jpg")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(banner);
    }

    // The fetch's one answer: saved or not.
    bool fetchBanner() {
        const ServerProcess server({"--root", m_served.path().toStdString()});
        return fetchBanner(server);
    }
    bool fetchBanner(const ServerProcess& server) {
        const QUrl url(QString::fromStdString(server.baseUrl()) + "/VantorDownload/usaupdatebanner.jpg");
        online::BannerFetch fetch;
        std::optional<bool> saved;
        QEventLoop loop;
        fetch.RetrieveFile(url, m_folder.path(), [&](bool answer) {
            saved = answer;
            loop.quit();
        });
        QTimer::singleShot(test::kCallbackLimitMs, &loop, &QEventLoop::quit);
        if (!saved)
            loop.exec();
        EXPECT_TRUE(saved.has_value()) << "the fetch never answered";
        return saved.value_or(false);
    }

    QStringList filesFetched() const { return QDir(m_folder.path()).entryList(QDir::Files); }

    QTemporaryDir m_served;
    QTemporaryDir m_folder;
};

TEST_F(BannerFetchHttp, TheWholeBodyIsSavedUnderTheAddressesLastName) {
    serve("picture bytes");

    ASSERT_TRUE(fetchBanner());

    ASSERT_EQ(filesFetched(), QStringList({"usaupdatebanner.jpg"}));
    QFile saved(QDir(m_folder.path()).filePath(QStringLiteral("usaupdatebanner.jpg")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "picture bytes");
}

TEST_F(BannerFetchHttp, ABodyOverEightMebibytesIsNoBannerAndLeavesNoFile) {
    serve(QByteArray(8 * 1024 * 1024 + 1, 'x'));

    EXPECT_FALSE(fetchBanner());

    EXPECT_TRUE(filesFetched().isEmpty());
}

TEST_F(BannerFetchHttp, TheBannerComesThroughTheProxyThatTheEnvironmentNames) {
    if (test::TinyProxyProcess::executable().empty())
        GTEST_SKIP() << "tinyproxy is not installed (Debian package tinyproxy; scripts/setup.sh installs it)";
    const test::TinyProxyProcess proxy({});
    test::ScopedEnvironment environment;
    environment.set("http_proxy", QByteArray::fromStdString(proxy.url()));
    serve("banner through the proxy");
    const ServerProcess server({"--root", m_served.path().toStdString()});
    EXPECT_TRUE(fetchBanner(server));
    EXPECT_EQ(test::readAll(m_folder.filePath(QStringLiteral("usaupdatebanner.jpg"))),
              "banner through the proxy");
    EXPECT_NE(proxy.log().find("GET " + server.baseUrl() + "/VantorDownload/usaupdatebanner.jpg"),
              std::string::npos)
        << proxy.log();
}

TEST(ConnectionProbeBehindAProxy, AProxyThatAsksForCredentialsIsANetworkThatWorks) {
    if (test::TinyProxyProcess::executable().empty())
        GTEST_SKIP() << "tinyproxy is not installed (Debian package tinyproxy; scripts/setup.sh installs it)";
    test::ensureApplication();
    const test::TinyProxyProcess proxy({.credentials = std::pair<std::string, std::string>("shop", "pw")});
    test::ScopedEnvironment environment;
    environment.set("http_proxy", QByteArray::fromStdString(proxy.url()));
    // Not "No Internet Connection": the update check that follows names the proxy and what it wants.
    online::ConnectionProbe probe;
    std::optional<bool> connected;
    QEventLoop loop;
    probe.check(QUrl(QStringLiteral("http://127.0.0.1:9/")), [&](bool answer) {
        connected = answer;
        loop.quit();
    });
    QTimer::singleShot(test::kCallbackLimitMs, &loop, &QEventLoop::quit);
    if (!connected)
        loop.exec();
    EXPECT_EQ(connected, std::optional<bool>(true));
}

}  // namespace
