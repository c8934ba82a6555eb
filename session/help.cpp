// Help: topics kept as screen resources, shown in a help window that pages
// and searches like a lookup. Text list 3903 is the index of topics, one
// line each: "number;screen;title;text list" (screen "-" for a topic of no
// screen); the topic's lines are the text list named last. Topic 0 is the
// index itself. F1 on a screen opens the screen's topic; a screen without
// one of its own gets its title and the keys of its key bar.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "fx.h"

namespace {

constexpr int kIndexList = 3903;
constexpr int kIndexKey = FX_KEY_F1 + 1 * 0x100;   // F2 in a topic: the index
constexpr int kMaxLines = 400;

struct Topic {
    int number = 0;
    std::string screen;
    std::string title;
    int list = 0;
};

std::vector<std::string> ListLines(int list)
{
    std::vector<char*> lines(kMaxLines + 1, nullptr);
    int width = 0, count = 0;
    std::vector<std::string> out;
    if (FxTextListLoad(list, lines.data(), &width, &count, kMaxLines + 1) != 0)
        return out;
    for (int i = 0; i < count && lines[static_cast<size_t>(i)] != nullptr; ++i)
        out.emplace_back(lines[static_cast<size_t>(i)]);
    FxTextListFree(lines.data());
    return out;
}

std::vector<Topic> Topics()
{
    std::vector<Topic> topics;
    for (const std::string& line : ListLines(kIndexList)) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (;;) {
            const size_t bar = line.find(';', start);
            parts.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
        if (parts.size() != 4)
            continue;
        Topic t;
        t.number = std::atoi(parts[0].c_str());
        t.screen = parts[1] == "-" ? std::string() : parts[1];
        t.title = parts[2];
        t.list = std::atoi(parts[3].c_str());
        topics.push_back(t);
    }
    return topics;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A list of lines in a help window: Up, Down, PgUp, PgDn, Home and End
// move; typing searches (the first line holding the text, from the one
// shown); Enter picks the highlighted line. The line picked from 0, -1 for
// Esc, -2 for F2.
int RunList(const std::string& title, const std::vector<std::string>& rows, const char* keys, bool picks)
{
    FxListView* view = FxListViewOpen(2, 4, 21, 75, title.c_str());
    if (view == nullptr)
        return -1;
    const char* caption = "";
    const int width = 70;
    FxListViewSetColumns(view, 1, &caption, &width, nullptr);
    FxListViewSetLine(view, 1, keys);
    FxListViewSetPrompt(view, "Search :");
    const int shown = std::max(1, FxListViewRows(view));
    const int count = static_cast<int>(rows.size());
    int first = 0, current = 0, result = -1;
    for (bool done = false; !done;) {
        std::vector<const char*> cells;
        for (int i = first; i < count && i < first + shown; ++i)
            cells.push_back(rows[static_cast<size_t>(i)].c_str());
        FxListViewSetRows(view, static_cast<int>(cells.size()), cells.data(), picks ? current - first : -1);
        FxListViewShow(view);
        char text[80] = {};
        const int input = FxListViewInput(view, text, sizeof text);
        if (input == FX_LIST_SEARCH) {
            const std::string wanted = Lower(text);
            for (int i = 0; i < count && !wanted.empty(); ++i) {
                const int at = (current + i) % count;
                if (Lower(rows[static_cast<size_t>(at)]).find(wanted) != std::string::npos) {
                    current = at;
                    break;
                }
            }
        } else if ((input & FX_LIST_PICK) != 0) {
            current = first + (input & 0xFFFF) - 1;
            if (picks) {
                result = current;
                done = true;
            }
        } else {
            switch (input) {
            case FX_KEY_ESC: done = true; break;
            case kIndexKey: result = -2; done = true; break;
            case FX_KEY_ENTER:
                if (picks) {
                    result = current;
                    done = true;
                }
                break;
            case FX_KEY_UP: current = std::max(0, current - 1); break;
            case FX_KEY_DOWN: current = std::min(count - 1, current + 1); break;
            case FX_KEY_PGUP: current = std::max(0, current - shown); break;
            case FX_KEY_PGDN: current = std::min(count - 1, current + shown); break;
            case FX_KEY_HOME: current = 0; break;
            case FX_KEY_END: current = count - 1; break;
            default: break;
            }
        }
        current = std::clamp(current, 0, std::max(0, count - 1));
        if (current < first)
            first = current;
        if (current >= first + shown)
            first = current - shown + 1;
        if (!picks)   // a text pages by whole windows
            first = std::min(current, std::max(0, count - shown));
    }
    FxListViewClose(view);
    return result;
}

void ShowIndex();

// Shows a topic's lines; F2 goes to the index.
void ShowLines(const std::string& title, const std::vector<std::string>& lines)
{
    if (RunList(title, lines.empty() ? std::vector<std::string>{""} : lines,
                "Esc Close  F2 Index  PgUp/PgDn Page  type to search", false) == -2)
        ShowIndex();
}

void ShowTopic(const Topic& topic)
{
    ShowLines(topic.title, ListLines(topic.list));
}

void ShowIndex()
{
    const std::vector<Topic> topics = Topics();
    std::vector<std::string> titles;
    for (const Topic& t : topics)
        titles.push_back(t.title);
    for (;;) {
        const int picked = RunList("Help Index", titles, "Esc Close  Enter Open  type to search", true);
        if (picked < 0 || picked >= static_cast<int>(topics.size()))
            return;
        // Esc or F2 in the topic comes back to the index.
        RunList(topics[static_cast<size_t>(picked)].title, ListLines(topics[static_cast<size_t>(picked)].list),
                "Esc Back  F2 Index  PgUp/PgDn Page  type to search", false);
    }
}

}  // namespace

extern "C" {

// Reached by the command entry of the extensions library as a service.
BWPS_EXPORT void ShowHelpTopic(int topic)
{
    FxShowHelp(topic == 0 ? 11 : 1, topic, 0);
    if (topic == 0) {
        ShowIndex();
        return;
    }
    for (const Topic& t : Topics())
        if (t.number == topic) {
            ShowTopic(t);
            return;
        }
    ShowIndex();
}

BWPS_EXPORT int HelpIndex(void)
{
    FxShowHelp(11, 0, 0);
    ShowIndex();
    return 0;
}

BWPS_EXPORT int ShowScreenHelp(const char* screen, void* keys)
{
    const std::string name = screen != nullptr ? screen : "";
    for (const Topic& t : Topics())
        if (!name.empty() && t.screen == name) {
            FxShowHelp(513, reinterpret_cast<intptr_t>(name.c_str()), 0);
            ShowTopic(t);
            return 0;
        }
    // A screen without a topic of its own: its keys, as its key bar shows them.
    std::vector<std::string> lines = {"The keys of this screen:", ""};
    char bar[1024] = {};
    if (keys != nullptr && FxKeyBarText(keys, 78, bar, sizeof bar) > 0) {
        std::string text = bar;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        lines.push_back(text.substr(start));
    }
    lines.push_back("");
    lines.push_back("F2 shows the index of the help topics.");
    FxShowHelp(513, reinterpret_cast<intptr_t>(name.c_str()), 0);
    ShowLines(name.empty() ? "Help" : name, lines);
    return 0;
}

}  // extern "C"
