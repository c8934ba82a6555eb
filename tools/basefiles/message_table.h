// The message table: the numbered message texts, read from the text table
// tools/tables/messages.txt, and the 84-byte records of WBPSRSC5.DAT built
// from it.
//
// Table format:
//   # comment                  (a '#' in the first column)
//   @NUMBER title              starts a message; the title is its line 0
//   text line                  lines 1..n, as written (trailing blanks go)
//   buttons: Yes,No            the button list of a message that is asked
//                              without a list of the caller's; always last
// Blank lines at the end of a message are dropped; blank lines inside it
// are kept as empty lines.
#pragma once

#include <bwps/messages.h>

#include <istream>
#include <string>
#include <vector>

namespace basefiles {

struct Message {
    int number = 0;
    std::string title;               // line 0
    std::vector<std::string> lines;  // lines 1..n of text
    std::string buttons;             // empty: not asked with its own list
    int line = 0;                    // line of the "@" row in the table
};

struct MessageTable {
    std::vector<Message> messages;   // in table order
    const Message* find(int number) const;
};

enum : int {
    kMaxMessageLines = 21,           // the error report holds 22 slots, one ends it
    kMessageTextMax = MESSAGE_TEXT_SIZE - 1,
    kEndRecordNumber = 65535         // last record: the final message is never last
};

MessageTable ParseMessageTable(std::istream& in, const std::string& source);
MessageTable LoadMessageTable(const std::string& path);

// The records of the message file in key order: line 0 (the title), the
// text lines, the button list as last line (its first byte left for the
// default button), and one end record after the last message.
std::vector<MessageRecord> BuildMessageRecords(const MessageTable& table);

// The message number that explains a record-manager status.
int StatusMessageNumber(int status);

}  // namespace basefiles
