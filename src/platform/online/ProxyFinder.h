#pragma once

#include <QUrl>

#include "core/online/ProxyRules.h"

namespace vantor::online {

// The proxy of a request as the platform sets it for every program: on Windows the system's
// settings (Internet Options, including a configuration script), elsewhere http_proxy,
// https_proxy and no_proxy (or their upper-case forms) from the environment.
class ProxyFinder {
public:
    static ProxyChoice forUrl(const QUrl& url);
};

}  // namespace vantor::online
