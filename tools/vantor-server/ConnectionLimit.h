#pragma once

// Connections held at once, per client address and in all. A worker serves one connection at a time, so a
// client that opens many connections and sends nothing would otherwise hold every worker. When an
// address holds more than the limit, the connections it has been silent on the longest end first:
// the one it is using stays.

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::server {

struct HeldConnection {
    int id = -1;
    std::string address;
    std::uint32_t silentMs = 0;  // since the client last sent anything
};

// The ids to end so that no address holds more than `limit` and all of them no more than `inAll`,
// the longest silent first.
std::vector<int> ConnectionsOverLimit(std::vector<HeldConnection> held, int limit, int inAll);

}  // namespace vantor::server
