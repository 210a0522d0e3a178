#include "core/keys/WeightRateTable.h"

#include <cmath>
#include <limits>

namespace vantor::keys {

namespace {

constexpr std::int16_t kMaxOunces = 192;
constexpr std::int16_t kMaxPounds = 12;
constexpr std::int16_t kMaxGrams = 5443;
// Rates below this are counted in whole cents without leaving 32 bits.
constexpr float kCentsLimit = 1e7F;

bool isSingle(double value) {
    return std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max());
}

}  // namespace

std::int16_t maxAllowedWeight(std::int16_t unit) {
    switch (unit) {
        case kPounds:
            return kMaxPounds;
        case kGrams:
            return kMaxGrams;
        default:
            return kMaxOunces;
    }
}

std::string unitAbbreviation(std::int16_t unit) {
    switch (unit) {
        case kPounds:
            return "lbs";
        case kGrams:
            return "gms";
        default:
            return "oz";
    }
}

WeightRateTable::WeightRateTable(NumberFormat format) : m_format(std::move(format)) {
    txtRate = money(0);
}

// Every reading below comes after CheckNumeric has passed, so the texts are numbers in range.
std::int16_t WeightRateTable::maxWeight() const {
    return toInt16(*readNumber(txtMaxWt, m_format)).value_or(0);
}
std::int16_t WeightRateTable::minWeight() const {
    return toInt16(*readNumber(txtMinWt, m_format)).value_or(0);
}
// The rate as the whole cents it will be written as, so that what is shown, compared and written
// is one number (0.001 is $0.00 and refused as such). A rate far out of range stays as typed, to be
// refused as it stands.
float WeightRateTable::rate() const {
    const auto typed = static_cast<float>(*readNumber(txtRate, m_format));
    if (std::fabs(typed) >= kCentsLimit)
        return typed;
    return static_cast<float>(toCents(typed)) / 100.0F;
}

// Numbers, the weights whole numbers within 16 bits once rounded, the rate within single precision.
bool WeightRateTable::CheckNumeric() const {
    const auto min = readNumber(txtMinWt, m_format);
    const auto max = readNumber(txtMaxWt, m_format);
    const auto rate = readNumber(txtRate, m_format);
    return min && max && rate && toInt16(*min) && toInt16(*max) && isSingle(*rate);
}

bool WeightRateTable::CheckMaxWt(const Prompts& prompts) const {
    bool within = true;
    if (maxWeight() > MaxAllowedWt) {
        prompts.tell(messages::kMaximumWeight);
        within = false;
    }
    if (rate() > kMaxRate) {
        prompts.tell(messages::kMaximumRate);
        within = false;
    }
    return within;
}

WeightRateTable::CheckResult WeightRateTable::CheckValues(std::int16_t pMax, float pRate,
                                                          const Prompts& prompts) const {
    (void)pMax;  // the min box already holds the previous upper weight
    const float current = rate();
    if (minWeight() >= maxWeight())
        return kMinNotBelowMax;
    if (current >= pRate && current > 0)
        return kValuesOk;
    if (current >= 0)
        return prompts.confirm(messages::kLowerRate) ? kValuesOk : kDeclined;
    return kNegativeRate;
}

bool WeightRateTable::keyChosen(const Prompts& prompts, Focus& focus) const {
    if (keyNumber != 0)
        return true;
    prompts.tell(messages::kChooseKey);
    focus = Focus::KeyNumber;
    return false;
}

// A max weight too big to be held at all (99999) is a number all the same: the user is told the
// limit rather than that numbers are wanted.
bool WeightRateTable::beyondAnyWeight() const {
    const auto min = readNumber(txtMinWt, m_format);
    const auto max = readNumber(txtMaxWt, m_format);
    const auto rate = readNumber(txtRate, m_format);
    return min && max && rate && toInt16(*min) && isSingle(*rate) && *max > MaxAllowedWt && !toInt16(*max);
}

bool WeightRateTable::numericOrReset(const Prompts& prompts, Focus& focus) {
    if (CheckNumeric())
        return true;
    if (beyondAnyWeight()) {
        prompts.tell(messages::weightLimit(MaxAllowedWt, unitAbbreviation(WtUnit)));
        focus = Focus::MaxWeight;
        return false;
    }
    prompts.tell(messages::kNumericOnly);
    txtMaxWt = std::to_string(LastMaxWt);
    txtRate = money(LastRate);
    focus = Focus::MaxWeight;
    return false;
}

bool WeightRateTable::wholeMaxWeight(const Prompts& prompts, Focus& focus) const {
    const double typed = *readNumber(txtMaxWt, m_format);
    if (std::trunc(typed) == typed)
        return true;
    prompts.tell(messages::kWholeWeight);
    focus = Focus::MaxWeight;
    return false;
}

bool WeightRateTable::usableInputs(const Prompts& prompts, Focus& focus) {
    return numericOrReset(prompts, focus) && wholeMaxWeight(prompts, focus);
}

bool WeightRateTable::add(const Prompts& prompts, Focus& focus) {
    focus = Focus::None;
    if (!keyChosen(prompts, focus))
        return false;
    if (rowCount() >= kRows) {
        // The scale's block has room for 128 ranges; a 129th would run past the arrays.
        prompts.tell(messages::kTableFull);
        return false;
    }
    if (!usableInputs(prompts, focus))
        return false;
    if (!CheckMaxWt(prompts))
        return false;
    if (rate() == 0) {
        prompts.tell(messages::kZeroRate);
        return false;
    }
    switch (CheckValues(LastMaxWt, LastRate, prompts)) {
        case kMinNotBelowMax:
            prompts.tell(messages::kMinNotBelowMax);
            return false;
        case kNegativeRate:
            prompts.tell(messages::kNegativeRate);
            return false;
        case kDeclined:
            return false;
        case kValuesOk:
            break;
    }
    if (rate() == LastRate && !prompts.confirm(messages::kEqualRate))
        return false;
    store();
    return true;
}

void WeightRateTable::store() {
    LastMaxWt = maxWeight();
    LastRate = rate();
    const auto entry = static_cast<std::size_t>(NextRange - 1);
    MaxWts[entry] = LastMaxWt;
    Rates[entry] = LastRate;
    m_rows.push_back({txtMaxWt, money(LastRate)});
    txtRate = money(LastRate);
    txtMinWt = std::to_string(LastMaxWt);
    txtMaxWt = std::to_string(LastMaxWt + 1);
    ++NextRange;
}

void WeightRateTable::editLast() {
    if (rowCount() == 0)
        return;
    --NextRange;
    txtMaxWt = std::to_string(LastMaxWt);
    txtRate = money(LastRate);
    m_rows.pop_back();
    // The removed range must not reach the scale: Program writes all 128 entries.
    const auto removed = static_cast<std::size_t>(NextRange - 1);
    MaxWts[removed] = 0;
    Rates[removed] = 0;
    if (rowCount() == 0) {
        txtMinWt = "0";
        LastMaxWt = 0;
        LastRate = 0;
        return;
    }
    LastMaxWt = MaxWts[removed - 1];
    LastRate = Rates[removed - 1];
    txtMinWt = std::to_string(LastMaxWt);
}

bool WeightRateTable::clearAll(const Prompts& prompts) {
    if (!prompts.confirm(messages::kClearData))
        return false;
    ClearAllData();
    return true;
}

void WeightRateTable::ClearAllData() {
    MaxWts.fill(0);
    Rates.fill(0);
    m_rows.clear();
    LastMaxWt = 0;
    LastRate = 0;
    txtMinWt = "0";
    txtMaxWt = "0";
    txtRate = money(0);
    NextRange = 1;
}

bool WeightRateTable::changeUnit(std::int16_t unit, const Prompts& prompts, Focus& focus) {
    focus = Focus::None;
    if (rowCount() > 0 && unit != WtUnit) {
        if (!prompts.confirm(messages::kChangeUnit))
            return false;
        ClearAllData();
    }
    MaxAllowedWt = maxAllowedWeight(unit);
    WtUnit = unit;
    keyChosen(prompts, focus);
    return true;
}

void WeightRateTable::UDMax_UpClick(const Prompts& prompts, Focus& focus) {
    focus = Focus::None;
    if (!keyChosen(prompts, focus) || !usableInputs(prompts, focus))
        return;
    if (CheckMaxWt(prompts))
        txtMaxWt = std::to_string(maxWeight() + 1);
}

void WeightRateTable::UDMax_DownClick(const Prompts& prompts, Focus& focus) {
    focus = Focus::None;
    if (!keyChosen(prompts, focus) || !usableInputs(prompts, focus))
        return;
    if (maxWeight() > 0)
        txtMaxWt = std::to_string(maxWeight() - 1);
}

void WeightRateTable::UDRate_UpClick(const Prompts& prompts, Focus& focus) {
    focus = Focus::None;
    if (!keyChosen(prompts, focus) || !numericOrReset(prompts, focus))
        return;
    txtRate = money(rate() + 1.0F);
}

void WeightRateTable::UDRate_DownClick(const Prompts& prompts, Focus& focus) {
    focus = Focus::None;
    if (!keyChosen(prompts, focus) || !numericOrReset(prompts, focus))
        return;
    if (rate() > 0)
        txtRate = money(rate() - 1.0F);
}

void WeightRateTable::resetForNextKey() {
    ClearAllData();
    WtUnit = kOunces;
    MaxAllowedWt = maxAllowedWeight(kOunces);
}

}  // namespace vantor::keys
