#include "firmware/ProgramResult.h"

#include <cstdio>

namespace vantor::firmware {

namespace {

std::string pageText(const ProgramResult& result) {
    if (!result.page)
        return "page ?";
    char text[16];
    std::snprintf(text, sizeof text, "page %04X", static_cast<unsigned>(*result.page));
    return text;
}

std::string whatFailed(const ProgramResult& result) {
    const std::string page = pageText(result);
    switch (result.stage) {
        case ProgramStage::SerialRead:
            return "The scale did not give its serial number";
        case ProgramStage::Unlock:
            switch (result.cause) {
                case FailureCause::PortFailed:
                    return "The port failed while unlocking the scale";
                case FailureCause::Refused:
                    return "The scale refused the unlock";
                default:
                    return "The scale did not answer the unlock";
            }
        case ProgramStage::Write:
            switch (result.cause) {
                case FailureCause::PortFailed:
                    return "The port failed while writing " + page;
                case FailureCause::Refused:
                    return "The scale refused the write of " + page;
                default:
                    return "The scale did not acknowledge the write of " + page;
            }
        case ProgramStage::Verify:
            switch (result.cause) {
                case FailureCause::PortFailed:
                    return "The port failed while reading back " + page;
                case FailureCause::Difference:
                    return "The scale's " + page + " read back different from the image";
                default:
                    return "The scale did not answer the read-back of " + page;
            }
        case ProgramStage::None:
            break;
    }
    return "The programming run failed";
}

}  // namespace

std::string describe(const ProgramResult& result) {
    switch (result.outcome) {
        case ProgramOutcome::Success:
            return "All 512 pages written and verified.";
        case ProgramOutcome::SerialNumberWrong:
            return "Serial number wrong: the scale refused the unlock four times.";
        case ProgramOutcome::Cancelled:
            return "The programming run was stopped.";
        case ProgramOutcome::CommunicationFailure:
            break;
    }
    std::string text = whatFailed(result);
    if (result.restarts > 0)
        text += " (after " + std::to_string(result.restarts) +
                (result.restarts == 1 ? " restart" : " restarts") + " of the run)";
    return text + ".";
}

}  // namespace vantor::firmware
