#pragma once

#include <QUrl>

#include "core/online/ProxyRules.h"

namespace vantor::online {

// The port a link names, or its scheme's own (443 for https, 80 otherwise).
inline int portOf(const QUrl& url) {
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

// The proxy of a request as the platform sets it for every program: on Windows the system's
// settings (Internet Options, including a configuration script), elsewhere http_proxy,
// https_proxy and no_proxy (or their upper-case forms) from the environment.
class ProxyFinder {
public:
    static ProxyChoice forUrl(const QUrl& url);
};

}  // namespace vantor::online
