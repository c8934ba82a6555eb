// Prompts from the store's own message codes (BPOSMSGS.DB): a customer's
// message over its credit amounts, and the pop-up lines of a product or
// service at the moment it is sold.
#include "bwps/status_windows.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/records/masters.h"
#include "bwps/records/messages.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "bwps/screen_utils.h"
#include "bwps/table.h"
#include "fx.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr int kAmountPromptList = 120;
constexpr int kMessagesUnreadable = 247;
constexpr int kListLines = 32;
constexpr char kPopupLine = 'P';

std::string Field(const char* text, size_t size)
{
    std::string s(text, strnlen(text, size));
    const size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

void CodeKey(KeyBuffer& key, const std::string& code, size_t width)
{
    key.Clear();
    std::memcpy(key.bytes, code.data(), std::min(code.size(), width - 1));
}

// Reads a message code; false when it is not there (a failure other than
// "not found" is reported).
bool ReadMessageCode(Table& messages, const std::string& code, MessageCodeRecord& record)
{
    KeyBuffer key;
    CodeKey(key, code, sizeof record.Code);
    const Status s = messages.Get(B_GET_EQUAL, key, record);
    if (!s.Ok() && !s.NotFound())
        Status{s.status, B_GET_EQUAL, FileNo::MessageCodes}.Report();
    return s.Ok();
}

std::string Amount(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%12.2f", value);
    return text;
}

}  // namespace

extern "C" {

BWPS_EXPORT int ShowAmountPrompt(const void* document)
{
    const auto* customer = static_cast<const CustomerRecord*>(document);
    if (customer == nullptr)
        return 0;
    const std::string code = Field(customer->MessageCode, sizeof customer->MessageCode);
    if (code.empty())
        return 0;
    Table messages;
    const Status opened = messages.Open(FileNo::MessageCodes);
    if (!opened.Ok()) {
        ShowMessage(kMessagesUnreadable, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    MessageCodeRecord record{};
    if (!ReadMessageCode(messages, code, record))
        return 0;
    messages.Close();

    char* lines[kListLines + 1] = {};
    int width = 0, count = 0;
    if (FxTextListLoad(kAmountPromptList, lines, &width, &count, kListLines) != 0)
        return 1;
    // Line 0 of the list is its caption; lines ending in "$" take the
    // amounts in order: the credit limit, the balance and what is left.
    const double amounts[3] = {customer->CreditLimit, customer->Balance,
                               customer->CreditLimit - customer->Balance};
    std::string caption, text;
    for (const auto& line : record.Lines) {
        const std::string shown = Field(line, sizeof line);
        if (!shown.empty())
            text += shown + "\n";
    }
    if (!text.empty())
        text += "\n";
    int amount = 0;
    for (int i = 0; lines[i] != nullptr; ++i) {
        std::string line = lines[i];
        if (i == 0) {
            caption = line;
            continue;
        }
        if (line == "Continue")
            continue;
        for (char& c : line)
            if (c == '.')
                c = ' ';
        if (!line.empty() && line.back() == '$') {
            line.back() = '\t';
            line += '$';
            if (amount < 3)
                line += Amount(amounts[amount++]);
        }
        text += line + "\n";
    }
    FxTextListFree(lines);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    std::string title = FxGetAppCaption(0);
    if (!caption.empty())
        title += " - " + caption;
    FxMessageBoxEx(text.c_str(), title.c_str(), FX_MB_ICONINFORMATION);
    return 0;
}

BWPS_EXPORT int ShowProdServMessage(void*, void*, int quantityKind, const void* item)
{
    const auto* line = static_cast<const TagSalesDetail*>(item);
    if (line == nullptr)
        return 0;
    const std::string code = Field(line->ItemCode, sizeof line->ItemCode);
    if (code.empty())
        return 0;
    Table details, messages;
    Status s = details.Open(FileNo::ItemDetails);
    if (s.Ok())
        s = messages.Open(FileNo::MessageCodes);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }

    // The item's pop-up lines: a message code's lines, or the line's text.
    std::vector<std::string> shown;
    KeyBuffer key;
    CodeKey(key, code, sizeof line->ItemCode + 1);
    TagItemDetail d{};
    for (s = details.Get(B_GET_GE, key, d); s.Ok() && Field(d.Code, sizeof d.Code) == code;
         s = details.Get(B_GET_NEXT, key, d)) {
        if (d.Status != kPopupLine)
            continue;
        const std::string messageCode = Field(d.MessageCode, sizeof d.MessageCode);
        if (messageCode.empty()) {
            shown.push_back(Field(d.Text, sizeof d.Text));
            continue;
        }
        MessageCodeRecord m{};
        if (ReadMessageCode(messages, messageCode, m))
            for (const auto& text : m.Lines)
                if (!Field(text, sizeof text).empty())
                    shown.push_back(Field(text, sizeof text));
    }
    if (!s.Ok() && !s.NotFound())
        Status{s.status, B_GET_NEXT, FileNo::ItemDetails}.Report();

    const int height = 3 + static_cast<int>(shown.size()) + 2 + 1;
    if (OpenStatusWindow(5, 4, 5, height, 73, nullptr) == 0) {
        SetStatusWindowTitle("RSProdServMessage");
        OpenGenericStatusWindow(1);
        char quantity[32];
        std::snprintf(quantity, sizeof quantity, quantityKind == 0 ? "%11.0f" : "%11.4f",
                      line->Quantity);
        WriteStatusWindowText(1, 1, 0, code.c_str());
        WriteStatusWindowText(2, 1, 0, Field(line->Description, sizeof line->Description).c_str());
        WriteStatusWindowText(3, 1, 0, quantity);
        int row = 5;
        for (const std::string& text : shown)
            WriteStatusWindowText(row++, 1, 0, text.c_str());
        // The window stays until the user leaves it.
        FxGetKey(1);
        CloseStatusWindow();
    }
    return 0;
}

}  // extern "C"
