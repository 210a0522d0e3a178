#pragma once

// The whole-image programming run: unlock the scale with its serial number, write all 512 pages,
// read every page back and compare it, finish. Plain sequential code over the scale link, with
// every retry rule and bound written out; it knows nothing of windows or threads.

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "core/firmware/ImageBuffer.h"
#include "core/scale/OperationResult.h"
#include "core/scale/PauseGate.h"
#include "core/scale/Progress.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::firmware {

// Every exchange of the run waits this long for its reply.
inline constexpr std::chrono::seconds kRunExchangeLimit{10};
// Failures tolerated before the run gives up: the fourth ends it. Counted from the last
// acknowledged unlock during unlock and writing, over the whole verify phase while verifying.
inline constexpr unsigned kToleratedFailures = 3;
// A write failure sends the run back to the unlock; a scale that acknowledges every unlock but
// never some page would otherwise be written over and over without end.
inline constexpr unsigned kMaxRestarts = 5;

// Progress: {Write, pages written in this pass, 512} before each page (a restart reports 0
// again), then {Verify, pages compared, 512} before each read-back.

// Programs `image` as it is (its bytes 0x0700..0x0703 are the unlock's serial number). Ends
// promptly, as Cancelled, once `cancel` is set. Sends Finish once, and only after every page
// was read back equal. Before each exchange it waits at `pause`, when given, while that is paused.
// A failure names the stage, how its last try ended, the page and the restarts; the scale's
// refusal of the unlock (four times) is the serial number's fault, any other a communication
// failure.
scale::OperationResult ProgramAllPages(scale::ScaleTransport& transport, const ImageBuffer& image,
                                       const scale::ProgressSink& progress, const std::atomic<bool>& cancel,
                                       scale::PauseGate* pause = nullptr);

struct ScaleProgramming {
    scale::OperationResult result;  // with the serial number the scale gave
    // Set when the port was found again with another scale behind it; nothing was sent.
    std::optional<std::string> otherScale;

    // Whether the scale gave its serial number.
    bool scaleCom() const { return result.stage != scale::Stage::SerialRead; }
};

// Programs `image` with `serial` (one that passed CheckSerial) packed into it: for a caller that
// has read the number already.
ScaleProgramming programWithSerial(scale::ScaleTransport& transport, ImageBuffer image,
                                   const std::string& serial, const scale::ProgressSink& progress,
                                   const std::atomic<bool>& cancel, scale::PauseGate* pause = nullptr);

// The programming command's steps: the serial number the scale gives is packed into the image,
// which is then programmed. A scale that does not answer, or whose answer is no serial number,
// fails the run before anything is sent: its unlock could only be refused, which would blame the
// serial number for what is a communication failure.
ScaleProgramming programWithCheckedSerial(scale::ScaleTransport& transport, ImageBuffer image,
                                          const scale::ProgressSink& progress,
                                          const std::atomic<bool>& cancel, scale::PauseGate* pause = nullptr);

}  // namespace vantor::firmware
