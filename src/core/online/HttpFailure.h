#pragma once

// Why a request got no usable answer, and how that is said to the user: what happened, where (the
// server or the proxy by name), and what to do about it. The texts never say "check your
// Internet connection" when the connection was made.

#include <string>

#include "core/app/Message.h"

namespace vantor::online {

struct HttpFailure {
    enum class Kind {
        None,
        ProxySetting,         // the proxy setting cannot be used (detail: the sentence that says why)
        ProxyUnreachable,     // the proxy did not take the connection
        ProxyAuthentication,  // the proxy asks for credentials (407), or refused the ones given
        ProxyRefused,         // the proxy would not make the tunnel (detail: its status line)
        ServerRefused,        // nothing listens at the server's address
        HostNotFound,         // the server's name does not resolve
        NoAnswer,             // the connection or the answer did not come in time
        Tls,                  // the secure connection failed (detail: the system's reason)
        Damaged,              // the reply is not HTTP as it should be (detail: what is wrong)
        BadRedirect,          // sent on to an address that is refused (detail: the address)
        CutShort,             // the connection ended before the reply was whole
        Stopped,              // stopped by the program (a cancel, a time limit of the caller's)
        Other,                // anything else (detail: the system's reason)
    };

    Kind kind = Kind::None;
    std::string server{};           // "example.com:80"
    std::string proxy{};            // "http://proxy.example:3128 (from https_proxy)", or empty
    bool credentialsGiven = false;  // ProxyAuthentication: the setting held a user name and password
    std::string detail{};

    explicit operator bool() const { return kind != Kind::None; }
};

// One paragraph: what happened and what to do.
std::string HttpFailureText(const HttpFailure& failure);

// The box a failed download shows.
Message DownloadFailureMessage(const HttpFailure& failure);

}  // namespace vantor::online
