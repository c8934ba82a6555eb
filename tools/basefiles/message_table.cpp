#include "message_table.h"

#include "table_error.h"
#include "text_util.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

#include "session/status_messages.h"

namespace basefiles {

namespace {

std::string RightTrim(const std::string& text) {
    size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

MessageRecord MakeRecord(int number, int line, const std::string& text) {
    MessageRecord r;
    std::memset(&r, 0, sizeof r);
    r.Number = static_cast<uint16_t>(number);
    r.Line = static_cast<int16_t>(line);
    size_t n = std::min(text.size(), sizeof r.Text - 1);
    std::memcpy(r.Text, text.data(), n);
    r.Width = static_cast<int16_t>(n);
    return r;
}

}  // namespace

const Message* MessageTable::find(int number) const {
    for (const Message& m : messages)
        if (m.number == number) return &m;
    return nullptr;
}

MessageTable ParseMessageTable(std::istream& in, const std::string& source) {
    MessageTable table;
    std::set<int> numbers;
    std::string text;
    int line = 0;
    auto fail = [&](int at, const std::string& what) { throw TableError(source, at, what); };
    auto finish = [&]() {
        if (table.messages.empty()) return;
        Message& m = table.messages.back();
        while (!m.lines.empty() && m.lines.back().empty()) m.lines.pop_back();
        if (m.lines.empty()) fail(m.line, "message " + std::to_string(m.number) + " has no text");
        size_t total = m.lines.size() + (m.buttons.empty() ? 0 : 1);
        if (total > static_cast<size_t>(kMaxMessageLines))
            fail(m.line, "message " + std::to_string(m.number) + " has " + std::to_string(total) +
                             " lines; at most " + std::to_string(kMaxMessageLines) + " can be shown");
    };
    while (std::getline(in, text)) {
        ++line;
        text = RightTrim(text);
        if (!text.empty() && text[0] == '#') continue;
        if (!text.empty() && text[0] == '@') {
            finish();
            size_t end = text.find_first_of(" \t");
            std::string numberText = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
            auto number = ParseInteger(numberText);
            if (!number || numberText[0] == '-' || numberText[0] == '+')
                fail(line, "\"" + numberText + "\" is not a message number");
            if (*number < 1 || *number >= kEndRecordNumber)
                fail(line, "message number " + numberText + " is outside 1.." + std::to_string(kEndRecordNumber - 1));
            if (!numbers.insert(static_cast<int>(*number)).second)
                fail(line, "message " + numberText + " is written twice");
            Message m;
            m.number = static_cast<int>(*number);
            m.title = end == std::string::npos ? std::string() : Trim(text.substr(end));
            m.line = line;
            if (m.title.size() > static_cast<size_t>(kMessageTextMax))
                fail(line, "the title is longer than " + std::to_string(kMessageTextMax) + " characters");
            table.messages.push_back(m);
            continue;
        }
        if (table.messages.empty()) {
            if (text.empty()) continue;
            fail(line, "text before the first \"@NUMBER\" line");
        }
        Message& m = table.messages.back();
        if (text.rfind("buttons:", 0) == 0) {
            if (!m.buttons.empty()) fail(line, "message " + std::to_string(m.number) + " has two button lists");
            m.buttons = Trim(text.substr(8));
            if (m.buttons.empty()) fail(line, "empty button list");
            // The stored list keeps its first byte for the default button.
            if (m.buttons.size() + 1 > static_cast<size_t>(kMessageTextMax))
                fail(line, "the button list is longer than " + std::to_string(kMessageTextMax - 1) + " characters");
            continue;
        }
        if (!m.buttons.empty()) {
            if (text.empty()) continue;
            fail(line, "text after the button list of message " + std::to_string(m.number) +
                           ": the list must be the last line");
        }
        if (text.size() > static_cast<size_t>(kMessageTextMax))
            fail(line, "the line is longer than " + std::to_string(kMessageTextMax) + " characters");
        m.lines.push_back(text);
    }
    finish();
    if (table.messages.empty()) fail(line, "the table holds no message");
    return table;
}

MessageTable LoadMessageTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw TableError(path, 0, "cannot be opened");
    return ParseMessageTable(in, path);
}

std::vector<MessageRecord> BuildMessageRecords(const MessageTable& table) {
    std::vector<const Message*> ordered;
    for (const Message& m : table.messages) ordered.push_back(&m);
    std::sort(ordered.begin(), ordered.end(), [](const Message* a, const Message* b) { return a->number < b->number; });
    std::vector<MessageRecord> records;
    for (const Message* m : ordered) {
        int line = 0;
        records.push_back(MakeRecord(m->number, line++, m->title));
        for (const std::string& text : m->lines) records.push_back(MakeRecord(m->number, line++, text));
        if (!m->buttons.empty()) records.push_back(MakeRecord(m->number, line++, " " + m->buttons));
    }
    records.push_back(MakeRecord(kEndRecordNumber, 0, ""));
    return records;
}

int StatusMessageNumber(int status) { return bwps::StatusMessageNumber(status); }

}  // namespace basefiles
