#include "core/scale/OperationResult.h"

#include <cstdio>

namespace vantor::scale {

namespace {

std::string what(Stage stage, Outcome outcome) {
    const bool silent = outcome == Outcome::NoReply;
    const bool port = outcome == Outcome::PortFailed;
    switch (stage) {
        case Stage::SerialRead:
            return port ? "The port failed while reading the serial number"
                        : "The scale did not give its serial number";
        case Stage::Unlock:
            return port     ? "The port failed during the unlock"
                   : silent ? "The scale did not answer the unlock"
                            : "The scale refused the unlock (is the serial number right?)";
        case Stage::Write:
            return port     ? "The port failed during the write"
                   : silent ? "The scale did not answer the write"
                            : "The scale refused the write";
        case Stage::ReadBack:
            return port     ? "The port failed during the read-back"
                   : silent ? "The scale did not answer the read-back"
                            : "The scale read back other bytes than were written";
        case Stage::Read:
        case Stage::None:
            break;
    }
    return "The operation failed";
}

std::string pageText(std::uint32_t page) {
    char address[8];
    std::snprintf(address, sizeof address, "%04X", static_cast<unsigned>(page & 0xFFFF));
    return address;
}

std::string capitalised(std::string text) {
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z')
        text.front() = static_cast<char>(text.front() - 'a' + 'A');
    return text;
}

std::string count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What is left behind: how far the operation came.
std::string extent(const OperationResult& result) {
    if (result.stage == Stage::SerialRead)
        return "; nothing was written";
    if (result.pagesTotal == 0)
        return "";
    const char* verb = result.stage == Stage::Read ? " were read" : " were written";
    return "; " + std::to_string(result.pagesDone) + " of " + count(result.pagesTotal, "page", "pages") +
           verb;
}

// A stop while a page was being written: the write may have reached the scale.
std::string inFlight(const OperationResult& result) {
    if (!result.page || (result.stage != Stage::Write && result.stage != Stage::ReadBack))
        return "";
    return "; page " + pageText(*result.page) + " was being written and may hold new bytes too";
}

}  // namespace

bool OperationResult::scaleSilent() const {
    return (outcome == Outcome::NoReply || outcome == Outcome::PortFailed) &&
           (stage == Stage::Unlock || stage == Stage::Write);
}

std::string readFailure(const OperationResult& result) {
    const std::string read = result.page ? "the read of page " + pageText(*result.page) : "the read";
    switch (result.outcome) {
        case Outcome::PortFailed:
            return "the port failed during " + read;
        case Outcome::NoReply:
            return "the scale did not answer " + read;
        case Outcome::Unsteady:
            return "the scale's replies to " + read + " did not agree";
        case Outcome::Cancelled:
            return read + " was stopped";
        default:
            return "the scale's reply to " + read + " did not fit";
    }
}

OperationResult failedAt(Stage stage, Outcome outcome) {
    OperationResult result;
    result.stage = stage;
    result.outcome = outcome;
    return result;
}

std::string describe(const OperationResult& result) {
    switch (result.outcome) {
        case Outcome::Success:
            return "All " + count(result.pagesTotal, "page was", "pages were") +
                   (result.stage == Stage::Read ? " read." : " written and verified.");
        case Outcome::Cancelled:
            return "Stopped after " + std::to_string(result.pagesDone) + " of " +
                   count(result.pagesTotal, "page", "pages") + inFlight(result) + ".";
        default:
            break;
    }
    std::string text;
    if (result.stage == Stage::Read) {
        text = capitalised(readFailure(result));
    } else {
        text = what(result.stage, result.outcome);
        if (result.page)
            text += " for page " + pageText(*result.page);
    }
    if (result.restarts > 0)
        text += " (after " + count(result.restarts, "restart", "restarts") + " of the run)";
    return text + extent(result) + ".";
}

}  // namespace vantor::scale
