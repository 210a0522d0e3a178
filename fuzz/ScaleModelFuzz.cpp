// libFuzzer target for the simulated scale's command reading: any byte stream from the line, with
// or without a fault script read from the input's first line. Each command is answered with no
// more bytes than it allows (one for an unlock or a page write, a byte of the scale's own, the
// address and the page for a read, nothing for the finish, four filler bytes more under the "long"
// fault), and the memory
// changes only under a page write: acknowledged and while unlocked when no fault is scripted.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "simulation/ScaleModel.h"

namespace {

using namespace vantor;
using namespace vantor::scale;

constexpr std::string_view kSerial = "12345678";
constexpr std::size_t kLongReplyExtra = 4;

std::size_t replyLimit(Byte opcode) {
    switch (opcode) {
        case kUnlock:
        case kWritePage:
            return 1;
        case kReadPage:
            return kReadReplySize;
        default:
            return 0;
    }
}

// What the line carries and what the scale must hold, followed command by command.
class Observer {
public:
    Observer(const ScaleModel& model, bool faulted) : m_memory(model.memory()), m_faulted(faulted) {}

    // One byte went in and these replies came out.
    void step(Byte b, const ScaleModel& model, const std::vector<ScaleReply>& replies, bool hungUpBefore) {
        if (hungUpBefore) {
            FUZZ_REQUIRE(replies.empty());  // a line that hung up stays silent
            return;
        }
        if (m_command.empty() && commandSize(b) == 0) {
            FUZZ_REQUIRE(replies.empty());
            return;
        }
        m_command.push_back(b);
        if (m_command.size() < commandSize(m_command[0])) {
            FUZZ_REQUIRE(replies.empty());
            return;
        }
        completed(model, replies);
        m_command.clear();
    }

private:
    void completed(const ScaleModel& model, const std::vector<ScaleReply>& replies) {
        const Byte opcode = m_command[0];
        FUZZ_REQUIRE(replies.size() <= 1);
        const std::size_t limit = replyLimit(opcode) + (m_faulted ? kLongReplyExtra : 0);
        if (!replies.empty())
            FUZZ_REQUIRE(!replies[0].bytes.empty() && replies[0].bytes.size() <= limit);
        if (m_faulted) {
            // Under faults a write may be stored unanswered or changed; nothing else may write.
            if (opcode != kWritePage)
                FUZZ_REQUIRE(model.memory() == m_memory);
            m_memory = model.memory();
            return;
        }
        FUZZ_REQUIRE(replies.size() == (opcode == kFinish ? 0U : 1U));
        const Bytes reply = replies.empty() ? Bytes{} : replies[0].bytes;
        const bool ack = reply == Bytes{kAck};
        switch (opcode) {
            case kUnlock:
                FUZZ_REQUIRE(ack == std::equal(m_command.begin() + 1, m_command.end(),
                                               m_memory.begin() + kSerialAddress));
                m_unlocked = ack;
                break;
            case kWritePage:
                FUZZ_REQUIRE(!ack || m_unlocked);
                if (ack) {
                    const unsigned address = m_command[1] << 8 | m_command[2];
                    for (std::size_t i = 0; i < kPageSize; ++i)
                        m_memory[(address + i) & 0xFFFF] = m_command[3 + i];
                }
                break;
            case kReadPage: {
                FUZZ_REQUIRE(reply.size() == kReadReplySize && reply[1] == m_command[1] &&
                             reply[2] == m_command[2]);
                const unsigned address = m_command[1] << 8 | m_command[2];
                for (std::size_t i = 0; i < kPageSize; ++i)
                    FUZZ_REQUIRE(reply[3 + i] == m_memory[(address + i) & 0xFFFF]);
                break;
            }
            default:
                m_unlocked = false;
                break;
        }
        FUZZ_REQUIRE(model.memory() == m_memory);
        FUZZ_REQUIRE(model.unlocked() == m_unlocked);
    }

    Bytes m_memory;
    Bytes m_command;
    bool m_unlocked = false;
    bool m_faulted;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view stream(reinterpret_cast<const char*>(data), size);
    ScaleModel model(kSerial);
    // An input that starts with a fault's action word scripts that fault, like the simulator's
    // --fault option: "lose:write:nth=3" and so on up to the first newline.
    bool faulted = false;
    if (!stream.empty() && stream[0] >= 'a' && stream[0] <= 'z') {
        const std::size_t end = stream.find('\n');
        const FaultParse parse = parseFault(stream.substr(0, end));
        FUZZ_REQUIRE(parse.fault.has_value() != !parse.error.empty());
        if (parse.fault) {
            model.addFault(*parse.fault);
            faulted = true;
        }
        stream.remove_prefix(end == std::string_view::npos ? stream.size() : end + 1);
    }

    Observer observer(model, faulted);
    for (char c : stream) {
        const Byte b = static_cast<Byte>(c);
        const bool hungUp = model.hungUp();
        const std::vector<ScaleReply> replies = model.receive(std::span<const Byte>(&b, 1));
        observer.step(b, model, replies, hungUp);
    }
    return 0;
}
