// The desk calculator: a modal window over the screen in use, with an
// immediate-execution chain, a memory of the last result and, when opened
// from a number field, a paste of the result into that field.
#include <cctype>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/desk_tools.h"
#include "bwps/messages.h"
#include "fx.h"

namespace bwps::desk {

namespace {

constexpr int kEntryLimit = 16;
constexpr int kShownLimit = 16;

}  // namespace

Calculator::Calculator() = default;

Calculator::Calculator(int decimals, int width, bool negatives)
    : pasteTarget_(true), decimals_(decimals), width_(width), negatives_(negatives)
{
    integerDigits_ = width - decimals - (decimals > 0 ? 1 : 0);
    if (integerDigits_ < 1)
        integerDigits_ = 1;
}

std::string Calculator::Format(double value) const
{
    if (value == 0)
        return "0";
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-99) || magnitude > 1e99)
        return "ERROR";
    char text[512];
    if (significant_) {
        const int digits = std::max(width_ - 1, 1);
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        size_t n = std::strlen(text);
        if (n > 0 && text[n - 1] == '.')
            text[n - 1] = '\0';
    } else if (pasteTarget_) {
        std::snprintf(text, sizeof text, "%.*f", std::max(decimals_, 0), value);
    } else {
        std::snprintf(text, sizeof text, "%f", value);
    }
    std::string shown = text;
    if (shown.size() > kShownLimit)
        shown.resize(kShownLimit);
    return shown;
}

void Calculator::Show(double value)
{
    shown_ = Format(value);
}

std::string Calculator::Display() const
{
    if (!entry_.empty())
        return (negativeEntry_ ? "-" : "") + entry_;
    return shown_;
}

std::string Calculator::LastOperator() const
{
    return lastOperator_ != 0 ? std::string(1, static_cast<char>(lastOperator_)) : std::string();
}

double Calculator::TakeEntry()
{
    double value = std::strtod(entry_.c_str(), nullptr);
    if (negativeEntry_)
        value = -value;
    entry_.clear();
    negativeEntry_ = false;
    return value;
}

void Calculator::Operator(int key)
{
    if (key != '=' && lastOperator_ == '=') {
        operand_ = accumulator_;
        lastOperator_ = 0;
        accumulator_ = 0;
    }
    if (!entry_.empty())
        operand_ = TakeEntry();
    if (lastOperator_ != '=')
        pendingOperator_ = lastOperator_;
    lastOperator_ = key;
    switch (pendingOperator_) {
    case '+': accumulator_ += operand_; break;
    case '-': accumulator_ -= operand_; break;
    case '*': accumulator_ *= operand_; break;
    case '/': accumulator_ = operand_ == 0 ? 0 : accumulator_ / operand_; break;
    case 'E': accumulator_ = std::pow(accumulator_, operand_); break;
    default: accumulator_ = operand_; break;
    }
    if (key == '=')
        memory_ = accumulator_;
    Show(accumulator_);
}

Calculator::Outcome Calculator::Press(int key)
{
    if (key >= 'a' && key <= 'z')
        key = std::toupper(key);
    if (key == ' ')
        key = 'C';
    if (key == FX_KEY_ENTER) {
        if (previousKey_ == 0 || previousKey_ == 'E' || static_cast<int>(entry_.size()) >= kEntryLimit)
            return kStay;
        key = '=';
    }
    if (key == FX_KEY_BACKSPACE)
        key = 'B';
    if (key == FX_KEY_DEL)
        key = 'C';
    const int previous = previousKey_;
    const bool full = static_cast<int>(entry_.size()) >= kEntryLimit;
    Outcome outcome = kStay;
    message_ = 0;

    if ((key >= '0' && key <= '9') || key == '.') {
        if (!full) {
            if (entry_.empty() && lastOperator_ == '=') {
                accumulator_ = operand_ = 0;
                lastOperator_ = pendingOperator_ = 0;
            }
            if (key == '.') {
                if (entry_.empty())
                    entry_ = "0.";
                else if (entry_.find('.') == std::string::npos)
                    entry_ += '.';
            } else if (entry_ == "0") {
                if (key != '0')
                    entry_ = std::string(1, static_cast<char>(key));
            } else {
                entry_ += static_cast<char>(key);
            }
        }
    } else if (key == 'B') {
        if (!entry_.empty())
            entry_.pop_back();
        if (entry_.empty()) {
            negativeEntry_ = false;
            shown_ = "0";
        }
    } else if (key == '+' || key == '*') {
        if (!full)
            Operator(key);
    } else if (key == 'E') {
        if (!full && previous != 0 && previous != 'E')
            Operator(key);
    } else if (key == '-' || key == '/' || key == '=') {
        Operator(key);
    } else if (key == 'C') {
        operand_ = 0;
        entry_.clear();
        negativeEntry_ = false;
        if (previous == 'C') {
            accumulator_ = 0;
            lastOperator_ = pendingOperator_ = 0;
        }
        shown_ = "0";
    } else if (key == 'F') {
        significant_ = !significant_;
        if (!entry_.empty())
            operand_ = accumulator_ = TakeEntry();
        Show(accumulator_);
    } else if (key == 'M') {
        entry_.clear();
        negativeEntry_ = false;
        operand_ = memory_;
        Show(memory_);
    } else if (key == '\\') {
        if (entry_.empty()) {
            accumulator_ = -accumulator_;
            Show(accumulator_);
        } else {
            negativeEntry_ = !negativeEntry_;
        }
    } else if (key == 'S') {
        if (!entry_.empty()) {
            operand_ = accumulator_ = std::sqrt(std::fabs(TakeEntry()));
        } else {
            accumulator_ = std::sqrt(std::fabs(accumulator_));
        }
        Show(accumulator_);
    } else if (key == 'P') {
        const double value = entry_.empty() ? accumulator_ : TakeEntry();
        operand_ = value;
        const double whole = std::floor(std::fabs(value));
        const std::string text = Format(value);
        if (!pasteTarget_) {
            message_ = DESK_MSG_NO_PASTE_TARGET;
        } else if (std::fabs(value) >= 2147483647.0 || whole >= std::pow(10.0, integerDigits_) ||
                   text == "ERROR" || static_cast<int>(text.size()) > width_) {
            // A whole part of as many digits as the field has places, or a
            // text wider than the field, would be cut when it is put there.
            message_ = DESK_MSG_PASTE_TOO_LARGE;
        } else if (value < 0 && !negatives_) {
            message_ = DESK_MSG_PASTE_NEGATIVE;
        } else {
            shown_ = text;
            paste_ = text;
            outcome = kPasted;
        }
        if (message_ != 0) {
            shown_ = text;
            outcome = kRefused;
        }
    } else {
        return kStay;
    }
    previousKey_ = key;
    return outcome;
}

namespace {

struct Button {
    const char* caption;
    int key;
};

constexpr Button kButtons[] = {
    {"7", '7'}, {"8", '8'}, {"9", '9'}, {"/", '/'}, {"Back", 'B'}, {"Clr", 'C'},
    {"4", '4'}, {"5", '5'}, {"6", '6'}, {"*", '*'}, {"Sqr", 'S'}, {"Mem", 'M'},
    {"1", '1'}, {"2", '2'}, {"3", '3'}, {"-", '-'}, {"Exp", 'E'}, {"Fmt", 'F'},
    {"0", '0'}, {".", '.'}, {"+\\-", '\\'}, {"+", '+'}, {"=", '='}, {"Paste", 'P'},
};
constexpr int kButtonCount = static_cast<int>(sizeof kButtons / sizeof kButtons[0]);
constexpr int kPerRow = 6;

void Draw(FxWindow& window, const Calculator& calc, int focus)
{
    char line[64];
    std::snprintf(line, sizeof line, "%-2s%22s", calc.LastOperator().c_str(), calc.Display().c_str());
    FxWindowText(&window, 1, 2, -1, line, 0);
    for (int row = 0; row < kButtonCount / kPerRow; ++row) {
        std::string text;
        for (int i = 0; i < kPerRow; ++i) {
            const int b = row * kPerRow + i;
            char cell[12];
            const char* caption = kButtons[b].caption;
            // The word buttons show their first letter as the accelerator.
            if (std::isalpha(static_cast<unsigned char>(caption[0])) && std::strlen(caption) > 1)
                std::snprintf(cell, sizeof cell, b == focus ? "[&%s]" : " &%s ", caption);
            else
                std::snprintf(cell, sizeof cell, b == focus ? "[%s]" : " %s ", caption);
            char padded[12];
            std::snprintf(padded, sizeof padded, "%-7s", cell);
            text += padded;
        }
        FxWindowText(&window, 3 + row, 1, -1, text.c_str(), 0);
    }
}

int Run(Calculator& calc, FxForm* form, int field)
{
    FxWindow window{};
    if (FxWindowCreate(&window, 6, 20, 13, 65, 1, 5, ' ', nullptr) != 0)
        return FX_STAY;
    FxWindowSetName(&window, "RSCALCULATOR");
    FxRestoreWindowPos("Calculator", &window);
    int focus = 0;
    Draw(window, calc, focus);
    for (;;) {
        const int key = FxGetKey(1);
        if (key == FX_KEY_ESC || key == 0)
            break;
        if (key == FX_KEY_F1 || key == FX_KEY_SHIFT_F1) {
            FxShowHelp(1, 0, 0);
            continue;
        }
        if (key == FX_KEY_TAB || key == FX_KEY_RIGHT || key == FX_KEY_DOWN) {
            focus = (focus + 1) % kButtonCount;
        } else if (key == FX_KEY_SHIFT_TAB || key == FX_KEY_LEFT || key == FX_KEY_UP) {
            focus = (focus + kButtonCount - 1) % kButtonCount;
        } else {
            const Calculator::Outcome outcome = calc.Press(key);
            if (outcome == Calculator::kRefused) {
                ShowMessage(calc.Message(), MESSAGE_DEFAULT_CONTEXT);
            } else if (outcome == Calculator::kPasted) {
                if (form != nullptr)
                    FxFieldSet(form, field, calc.PasteText().c_str());
                Draw(window, calc, focus);
                break;
            }
        }
        Draw(window, calc, focus);
    }
    FxSaveWindowPos("Calculator", &window);
    FxWindowClose(&window, 1);
    return FX_STAY;
}

}  // namespace

}  // namespace bwps::desk

extern "C" {

BWPS_EXPORT int ShowCalculator(void)
{
    bwps::desk::Calculator calc;
    return bwps::desk::Run(calc, nullptr, 0);
}

BWPS_EXPORT int ShowCalculatorForField(FxForm* form, const ScreenField* field)
{
    int decimals = 0, width = 0, sign = 0;
    if (form == nullptr || field == nullptr || FxPictureIsNumeric(field->picture) == 0 ||
        FxPictureNumberInfo(field->picture, &decimals, &width, &sign) != 0 || width <= 0)
        return ShowCalculator();
    bwps::desk::Calculator calc(decimals, width, sign != 0);
    return bwps::desk::Run(calc, form, field->number);
}

}  // extern "C"
