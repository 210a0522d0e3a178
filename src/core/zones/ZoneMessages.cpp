#include "core/zones/ZoneMessages.h"

namespace vantor::zones {

namespace {
const std::string kCheckPaste = "Please check that the data you copied and pasted is correct.";
}

Message noZoneDataMessage() {
    return {"No Zip/Zone Data",
            "There's no zip/zone data to program on Vantor scale. Please read the instructions.",
            Message::Icon::Exclamation};
}

Message invalidOriginMessage() {
    return {"Invalid Data", "PC Program cannot detect a valid zip.\n" + kCheckPaste, Message::Icon::None};
}

Message noEntriesMessage() {
    return {"Invalid Data", "PC Program cannot find a zone chart in the pasted data.\n" + kCheckPaste,
            Message::Icon::None};
}

Message tooManyEntriesMessage(std::size_t entriesFound) {
    return {"Invalid Data",
            "The zone chart holds " + std::to_string(entriesFound) +
                " destinations, but the scale has room for " + std::to_string(kZoneEntries) + ".\n" +
                kCheckPaste,
            Message::Icon::None};
}

namespace {

std::string threeDigits(int prefix) {
    std::string digits = std::to_string(prefix);
    return std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

}  // namespace

Message confirmationMessage(const std::string& OriginZip, int ranges, int lastDestination) {
    std::string text = "You are going to program your scale's postal zones using zip " + OriginZip + ".\n" +
                       std::to_string(ranges) +
                       (ranges == 1 ? " destination range was" : " destination ranges were") +
                       " read from the zone chart.\n";
    // A chart goes on to destination 999; one that stops before was most often copied in part.
    if (lastDestination < kLastDestination)
        text += "The chart ends at destination " + threeDigits(lastDestination) + ", so destinations " +
                threeDigits(lastDestination + 1) + " to " + std::to_string(kLastDestination) +
                " will have no zone in the scale. If you copied only part of the chart, answer No and copy "
                "the whole page again.\n";
    return {"Confirm Zip/Zone Programming", text + "Are you sure you want to continue?",
            Message::Icon::Question, Message::Buttons::YesNo};
}

Message successMessage() {
    return {"Successful Zip/Zone Programming", "Zip/Zone programming successful!",
            Message::Icon::Information};
}

Message incompleteTableMessage(int pagesWritten, int pages) {
    return {"Zone Programming Incomplete",
            "The scale holds an incomplete zone table: " + std::to_string(pagesWritten) + " of its " +
                std::to_string(pages) +
                " parts were written. Program the zones again before you use the scale.",
            Message::Icon::Exclamation};
}

}  // namespace vantor::zones
