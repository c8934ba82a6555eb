#include "extensions/convert/notice.h"

#include <cstring>

#include "bwps/messages.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps1::convert {

void ShowMessageWithLine(int number, const std::string& extra)
{
    char* lines[16] = {};
    int width = 0, count = 0;
    bwps::Table messages;
    if (!messages.Open(bwps::FileNo::MessageTexts).Ok() ||
        ReadMessageText(number, messages.Handle(), lines, &width, &count, 14) != 0) {
        ShowMessage(number, 1);
        return;
    }
    const std::string text = extra.substr(0, MESSAGE_LINE_SIZE - 1);
    char* line = static_cast<char*>(FxAlloc(MESSAGE_LINE_SIZE, 1));
    if (line != nullptr) {
        std::memcpy(line, text.c_str(), text.size() + 1);
        lines[count++] = line;
        if (static_cast<int>(text.size()) > width) width = static_cast<int>(text.size());
    }
    ShowMessageDialog(lines, count, width, 1, MESSAGE_STYLE_SHOW, 0, 0, 0);
    FreeMessageLines(lines);
}

}  // namespace bwps1::convert
