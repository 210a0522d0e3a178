#pragma once

// The weight-and-rate table editor's rules, shared by the key form and the command line: the
// three input boxes, the table of up to 128 ranges, and what Add, Edit Last, Clear All, the unit
// options and the arrows do with them. Messages and questions go out through Prompts; the caller
// shows them and puts the focus where the result says.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/app/Prompts.h"
#include "core/keys/KeyBlock.h"
#include "core/keys/KeyMessages.h"
#include "core/keys/MoneyText.h"

namespace vantor::keys {

// The largest weight each unit allows: the same physical limit (12 lb is 5443 g).
std::int16_t maxAllowedWeight(std::int16_t unit);
// The unit as the editor's tooltips write it: "oz", "lbs", "gms".
std::string unitAbbreviation(std::int16_t unit);

inline constexpr float kMaxRate = 9999.99F;

// Where the focus goes after an operation.
enum class Focus { None, KeyNumber, MaxWeight };

struct GridRow {
    std::string maxWeight;  // as typed
    std::string rate;       // in the money format
};

class WeightRateTable {
public:
    static constexpr int kRows = 128;
    // Result codes of CheckValues.
    enum CheckResult : std::int16_t { kValuesOk = 0, kMinNotBelowMax = 1, kNegativeRate = 2, kDeclined = 3 };

    explicit WeightRateTable(NumberFormat format = {});

    // The boxes as the user left them.
    std::string txtMinWt = "0";
    std::string txtMaxWt = "0";
    std::string txtRate;
    // 0 while no key is chosen, else 1..6.
    int keyNumber = 0;

    std::array<std::int16_t, kRows> MaxWts{};
    std::array<float, kRows> Rates{};
    std::int16_t WtUnit = kOunces;
    std::int16_t MaxAllowedWt = 192;
    std::int16_t NextRange = 1;
    std::int16_t LastMaxWt = 0;
    float LastRate = 0;

    int rowCount() const { return NextRange - 1; }
    const std::vector<GridRow>& rows() const { return m_rows; }
    const NumberFormat& format() const { return m_format; }

    // True when the row was added. The table is unchanged by a refused Add.
    bool add(const Prompts& prompts, Focus& focus);
    // Takes the last row back into the boxes and out of the table. Nothing happens on an empty table.
    void editLast();
    // The Clear All question; true when the user said Yes and the table was cleared.
    bool clearAll(const Prompts& prompts);
    void ClearAllData();
    // False when the user kept the table (and with it the current unit).
    bool changeUnit(std::int16_t unit, const Prompts& prompts, Focus& focus);
    void UDMax_UpClick(const Prompts& prompts, Focus& focus);
    void UDMax_DownClick(const Prompts& prompts, Focus& focus);
    void UDRate_UpClick(const Prompts& prompts, Focus& focus);
    void UDRate_DownClick(const Prompts& prompts, Focus& focus);
    // After a successful programming that the user wants to follow with another key: an empty
    // table in ounces; the key stays chosen.
    void resetForNextKey();

    // The boxes' checks, as Add makes them.
    bool CheckNumeric() const;
    bool CheckMaxWt(const Prompts& prompts) const;
    CheckResult CheckValues(std::int16_t pMax, float pRate, const Prompts& prompts) const;

    std::string money(double value) const { return formatMoney(value, m_format); }

private:
    bool keyChosen(const Prompts& prompts, Focus& focus) const;
    // CheckNumeric with its refusal: the boxes go back to the last row's values.
    bool numericOrReset(const Prompts& prompts, Focus& focus);
    bool beyondAnyWeight() const;
    bool wholeMaxWeight(const Prompts& prompts, Focus& focus) const;
    // The typed weight and rate: numbers, and a max weight the scale can hold as it stands.
    bool usableInputs(const Prompts& prompts, Focus& focus);
    std::int16_t maxWeight() const;
    std::int16_t minWeight() const;
    float rate() const;
    void store();

    NumberFormat m_format;
    std::vector<GridRow> m_rows;
};

}  // namespace vantor::keys
