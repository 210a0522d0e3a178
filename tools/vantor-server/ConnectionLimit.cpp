#include "ConnectionLimit.h"

#include <algorithm>
#include <map>

namespace vantor::server {

std::vector<int> ConnectionsOverLimit(std::vector<HeldConnection> held, int limit) {
    // Quietest first; equal silences keep their order, so the result does not depend on the sort.
    std::stable_sort(held.begin(), held.end(), [](const HeldConnection& a, const HeldConnection& b) {
        return a.silentMs > b.silentMs;
    });
    std::map<std::string, int> count;
    for (const HeldConnection& connection : held)
        ++count[connection.address];
    std::vector<int> over;
    for (const HeldConnection& connection : held) {
        int& left = count[connection.address];
        if (left > limit) {
            over.push_back(connection.id);
            --left;
        }
    }
    return over;
}

}  // namespace vantor::server
