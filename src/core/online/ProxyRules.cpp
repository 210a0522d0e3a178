#include "core/online/ProxyRules.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

#include "core/app/AsciiLower.h"
#include "core/app/Trimmed.h"

namespace vantor::online {

namespace {

// curl's choice for a proxy address without a port.
constexpr int kDefaultProxyPort = 1080;

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size())
            return std::nullopt;
        const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3)
            return std::nullopt;
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

std::optional<int> portNumber(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

bool fail(std::string* why, std::string text) {
    if (why)
        *why = std::move(text);
    return false;
}

bool readCredentials(std::string_view userInfo, ProxyServer& proxy, std::string* why) {
    const std::size_t colon = userInfo.find(':');
    const auto user = percentDecoded(userInfo.substr(0, colon));
    const auto password =
        percentDecoded(colon == std::string_view::npos ? std::string_view() : userInfo.substr(colon + 1));
    if (!user || !password)
        return fail(why, "its user name or password has a damaged %-escape");
    proxy.user = *user;
    proxy.password = *password;
    return true;
}

bool readHostAndPort(std::string_view hostPort, ProxyServer& proxy, std::string* why) {
    std::string_view portText;
    if (hostPort.starts_with('[')) {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos)
            return fail(why, "its IPv6 address has no closing ']'");
        proxy.host = std::string(hostPort.substr(1, close - 1));
        const std::string_view rest = hostPort.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return fail(why, "its address is damaged");
        portText = rest.empty() ? rest : rest.substr(1);
    } else {
        const std::size_t colon = hostPort.rfind(':');
        proxy.host = std::string(hostPort.substr(0, colon));
        portText = colon == std::string_view::npos ? std::string_view() : hostPort.substr(colon + 1);
    }
    if (proxy.host.empty())
        return fail(why, "it names no host");
    if (proxy.host.find_first_of(" \t/@") != std::string::npos)
        return fail(why, "its host name is damaged");
    if (portText.empty()) {
        proxy.port = kDefaultProxyPort;
        return true;
    }
    const std::optional<int> port = portNumber(portText);
    if (!port)
        return fail(why, "its port is not a number from 1 to 65535");
    proxy.port = *port;
    return true;
}

// The host part of a no_proxy entry, and its port when it names one.
std::pair<std::string, std::optional<int>> bypassEntry(std::string_view entry) {
    std::optional<int> port;
    // "host:port" and "[v6]:port" name a port; a bare IPv6 address has colons of its own.
    const std::size_t colon = entry.rfind(':');
    const bool bracketed =
        entry.starts_with('[') && colon != std::string_view::npos && colon > 0 && entry[colon - 1] == ']';
    if (colon != std::string_view::npos && (bracketed || entry.find(':') == colon)) {
        port = portNumber(entry.substr(colon + 1));
        entry = entry.substr(0, colon);
    }
    if (entry.starts_with('[') && entry.ends_with(']'))
        entry = entry.substr(1, entry.size() - 2);
    while (entry.starts_with('.') || entry.starts_with("*."))
        entry.remove_prefix(entry.starts_with('.') ? 1 : 2);
    return {asciiLower(entry), port};
}

std::optional<std::string> firstSet(const EnvironmentLookup& lookup, const std::string& name,
                                    std::string* which) {
    for (const std::string& each : {name, asciiUpper(name)}) {
        const std::optional<std::string> value = lookup(each);
        if (value && !trimmed(*value, kWhiteSpace).empty()) {
            *which = each;
            return std::string(trimmed(*value, kWhiteSpace));
        }
    }
    return std::nullopt;
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kBase64[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

}  // namespace

std::string ProxyServer::shown() const {
    const bool v6 = host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<ProxyServer> ParseProxyUrl(std::string_view text, std::string* why) {
    text = trimmed(text, kWhiteSpace);
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd != std::string_view::npos) {
        const std::string scheme = asciiLower(text.substr(0, schemeEnd));
        if (scheme != "http") {
            fail(why, "only http:// proxies are supported, not " + scheme + "://");
            return std::nullopt;
        }
        text.remove_prefix(schemeEnd + 3);
    }
    // A path after the address ("http://proxy:3128/") means nothing to a proxy.
    text = text.substr(0, text.find('/'));
    ProxyServer proxy;
    const std::size_t at = text.rfind('@');
    if (at != std::string_view::npos && !readCredentials(text.substr(0, at), proxy, why))
        return std::nullopt;
    if (!readHostAndPort(at == std::string_view::npos ? text : text.substr(at + 1), proxy, why))
        return std::nullopt;
    return proxy;
}

bool ProxyBypassed(std::string_view noProxy, std::string_view host, int port) {
    const std::string name = asciiLower(host);
    std::size_t start = 0;
    while (start <= noProxy.size()) {
        const std::size_t comma = std::min(noProxy.find(',', start), noProxy.size());
        const std::string_view entry = trimmed(noProxy.substr(start, comma - start), kWhiteSpace);
        start = comma + 1;
        if (entry.empty())
            continue;
        if (entry == "*")
            return true;
        const auto [suffix, entryPort] = bypassEntry(entry);
        if (suffix.empty() || (entryPort && *entryPort != port))
            continue;
        if (name == suffix || (name.size() > suffix.size() && name.ends_with(suffix) &&
                               name[name.size() - suffix.size() - 1] == '.'))
            return true;
    }
    return false;
}

ProxyChoice ProxyFromEnvironment(std::string_view scheme, std::string_view host, int port,
                                 const EnvironmentLookup& lookup) {
    ProxyChoice choice;
    std::string which;
    const std::optional<std::string> setting =
        firstSet(lookup, asciiLower(scheme) == "https" ? "https_proxy" : "http_proxy", &which);
    if (!setting)
        return choice;
    std::string noProxyName;
    if (const auto noProxy = firstSet(lookup, "no_proxy", &noProxyName);
        noProxy && ProxyBypassed(*noProxy, host, port))
        return choice;
    std::string why;
    choice.proxy = ParseProxyUrl(*setting, &why);
    if (!choice.proxy) {
        choice.problem = "The proxy setting " + which + " cannot be used: " + why + ".";
        return choice;
    }
    choice.proxy->source = which;
    return choice;
}

std::string BasicProxyAuthorization(const ProxyServer& proxy) {
    return "Basic " + base64(proxy.user + ":" + proxy.password);
}

}  // namespace vantor::online
