#include "platform/online/ProxyFinder.h"

#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QtGlobal>

namespace vantor::online {

namespace {

[[maybe_unused]] ProxyChoice fromSystemSettings(const QUrl& url) {
    ProxyChoice choice;
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    for (const QNetworkProxy& each : proxies) {
        if (each.type() == QNetworkProxy::NoProxy || each.type() == QNetworkProxy::DefaultProxy)
            return choice;
        if (each.type() != QNetworkProxy::HttpProxy && each.type() != QNetworkProxy::HttpCachingProxy)
            continue;
        choice.proxy =
            ProxyServer{each.hostName().toStdString(), each.port() > 0 ? each.port() : 80,
                        each.user().toStdString(), each.password().toStdString(), "the system's settings"};
        return choice;
    }
    if (!proxies.isEmpty())
        choice.problem = "The system's proxy setting cannot be used: only http proxies are supported.";
    return choice;
}

[[maybe_unused]] ProxyChoice fromEnvironment(const QUrl& url) {
    return ProxyFromEnvironment(url.scheme().toStdString(), url.host().toStdString(), portOf(url),
                                [](const std::string& name) -> std::optional<std::string> {
                                    if (!qEnvironmentVariableIsSet(name.c_str()))
                                        return std::nullopt;
                                    return qEnvironmentVariable(name.c_str()).toStdString();
                                });
}

}  // namespace

ProxyChoice ProxyFinder::forUrl(const QUrl& url) {
#ifdef Q_OS_WIN
    return fromSystemSettings(url);
#else
    return fromEnvironment(url);
#endif
}

}  // namespace vantor::online
