#include "ConnectionLimit.h"

#include <algorithm>
#include <map>

namespace vantor::server {

std::vector<int> ConnectionsOverLimit(std::vector<HeldConnection> held, int limit, int inAll) {
    // Quietest first; equal silences keep their order, so the result does not depend on the sort.
    std::stable_sort(held.begin(), held.end(), [](const HeldConnection& a, const HeldConnection& b) {
        return a.silentMs > b.silentMs;
    });
    std::map<std::string, int> count;
    for (const HeldConnection& connection : held)
        ++count[connection.address];
    std::vector<int> over;
    std::size_t kept = held.size();
    for (const HeldConnection& connection : held) {
        int& left = count[connection.address];
        // Many addresses each within its own limit may together still hold every worker.
        if (left > limit || kept > static_cast<std::size_t>(inAll)) {
            over.push_back(connection.id);
            --left;
            --kept;
        }
    }
    return over;
}

}  // namespace vantor::server
