#include "core/firmware/TablesMessages.h"

#include "core/firmware/UserTables.h"

namespace vantor::firmware {

TablesAfterUpdate tablesAfterUpdate(const ImageBuffer& image, std::span<const Byte> backup) {
    if (!holdsTables(backup))
        return TablesAfterUpdate::Nothing;
    return leavesTablesBlank(image) ? TablesAfterUpdate::OfferRestore : TablesAfterUpdate::FileBringsTables;
}

namespace tables_text {

namespace {

Message box(std::string text, Message::Icon icon, Message::Buttons buttons) {
    return {"Vantor PC Program", std::move(text), icon, buttons};
}

// A question asked before anything is written, when the user's tables are at risk: No keeps them.
Message atRisk(std::string text) {
    Message question = box(std::move(text), Message::Icon::Exclamation, Message::Buttons::YesNo);
    question.defaultNo = true;
    return question;
}

}  // namespace

Message unreadQuestion(const scale::OperationResult& read) {
    scale::OperationResult named = read;
    named.page = read.page.value_or(kTablesStart);
    return atRisk(
        "Your zone table and keys could not be saved before the update: " + scale::readFailure(named) +
        ".\n\nNothing has been written to the scale yet. Update it all the same? Your keys and zone "
        "table would then have to be programmed again.");
}

Message notSavedQuestion(const std::string& path, const std::string& reason) {
    return atRisk(
        "Your zone table and keys were read, but could not be saved to " + path + " (" + reason +
        ").\n\nNothing has been written to the scale yet. Update it all the same? Your zone table and "
        "keys would then be kept only in this program's memory until they are written back.");
}

std::string memoryOnly(const std::string& reason) {
    return reason.empty() ? std::string("memory only") : "memory only (" + reason + ")";
}

Message offerRestore(const std::string& path) {
    Message offer =
        box("The scale has been updated. The update leaves the zone table and keys blank.\n\n"
            "Your zone table and keys were saved before the update, in " +
                path +
                ".\n\nWrite them back into the scale now? If you answer No, the scale has no zone table and "
                "no programmed keys until they are written back: the program offers them again when it "
                "next finds this scale.",
            Message::Icon::Question, Message::Buttons::YesNo);
    // No leaves the scale without its tables: only the No button may give that answer.
    offer.closeIsNoAnswer = true;
    return offer;
}

std::string declinedRecord(const std::string& where) {
    return "Not written back: the user declined. The zone table and keys are saved in " + where + ".";
}

std::string notInScale(const std::string& where) {
    return "Your zone table and keys are not in the scale: they are saved in " + where + ".";
}

Message differQuestion(const std::string& serial, const std::string& path) {
    return atRisk("An update of a scale with the serial number " + serial +
                  " did not finish, but the zone table and keys in this scale are neither the ones saved "
                  "before that update nor what it wrote: this may be another scale with the same "
                  "serial number.\n\nIs this the scale whose update did not finish? Yes writes the zone "
                  "table and keys saved in " +
                  path + " into it after the update; No writes nothing.");
}

Message lostQuestion(const std::string& path) {
    return atRisk("The zone table and keys saved before the last update of this scale, in " + path +
                  ", cannot be read, and that update has already written over the scale's own.\n\n"
                  "Nothing has been written to the scale yet. Update it all the same? Your keys and zone "
                  "table would then have to be programmed again.");
}

Message declinedOffer(const std::string& serial, const std::string& when, const std::string& path) {
    return box("Your scale (serial number " + serial + ") was updated on " + when +
                   ", but its zone table and keys were not written back: the scale has none. They are "
                   "saved in " +
                   path +
                   ".\n\nYes writes them into the scale now (the update is run again first). No leaves "
                   "the scale without them and does not ask again. Cancel asks again next time.",
               Message::Icon::Question, Message::Buttons::YesNoCancel);
}

Message restored() {
    return box("Your zone table and keys were written back into the scale and verified.",
               Message::Icon::Information, Message::Buttons::Ok);
}

Message notRestored(const std::string& reason, const std::string& path) {
    return box("The scale has been updated, but your zone table and keys were not written back: " + reason +
                   "\n\nThey are saved in " + path + ".",
               Message::Icon::Exclamation, Message::Buttons::Ok);
}

Message fileBringsTables(const std::string& path) {
    return box(
        "The update brings a zone table and keys of its own, which are now in the scale.\n\n"
        "Your own zone table and keys were saved before the update, in " +
            path + ".",
        Message::Icon::Information, Message::Buttons::Ok);
}

Message blankButBackedUp(const std::string& path) {
    return box(
        "Your scale's zone table and keys were blank before the update, but an earlier backup of this "
        "scale holds some: " +
            path + ".\n\nIf your zone table and keys were lost, write them back from that file.",
        Message::Icon::Information, Message::Buttons::Ok);
}

}  // namespace tables_text

}  // namespace vantor::firmware
