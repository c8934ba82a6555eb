// The folder browser of a folder field (F5 on a field given to
// FxAttachFolderBrowse): lists the sub-folders of a folder; Enter goes into
// the one under the cursor ("..": up), Backspace goes up, F10 picks the
// folder shown, Esc leaves without a pick.
#include "screen.hpp"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fx::scr {

namespace {

std::vector<std::string> subFolders(const std::string& folder) {
    std::vector<std::string> out;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return out;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == ".." || n.empty() || n[0] == '.') continue;
        struct stat st;
        if (::stat((folder + "/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) out.push_back(n);
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

std::string parentOf(const std::string& folder) {
    if (folder == "/") return folder;
    size_t p = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    return p == 0 || p == std::string::npos ? "/" : folder.substr(0, p);
}

std::string normalised(std::string f) {
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    return f;
}

} // namespace

// Runs the browser from a start folder; the picked folder, or "" when left.
std::string browseFolder(const std::string& title, const std::string& start) {
    std::string folder = start;
    struct stat st;
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        char cwd[4096];
        folder = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
    }
    folder = normalised(folder);
    int sel = 0;
    for (;;) {
        std::vector<std::string> items;
        if (folder != "/") items.push_back("..");
        for (const std::string& n : subFolders(folder)) items.push_back(n + "/");
        std::string joined;
        for (size_t i = 0; i < items.size(); ++i) joined += (i ? "," : "") + items[i];
        fx::record("browse " + fx::quote(folder) + " [" + joined + "]");
        sel = std::clamp(sel, 0, std::max(0, static_cast<int>(items.size()) - 1));
        int key = 0;
        if (fx::terminalActive()) {
            key = fx::terminalBrowse(title, folder, items, sel);
        } else {
            for (;;) {
                fx::Event ev = fx::nextEvent(true);
                if (ev.kind == fx::Event::Pick) {
                    sel = std::max(0, ev.field - 1);
                    key = FX_KEY_ENTER;
                } else if (ev.kind == fx::Event::Key) {
                    key = ev.key;
                } else if (ev.kind == fx::Event::Exhausted) {
                    key = FX_KEY_ESC;
                } else {
                    fx::record("event ignored by the folder browser");
                    continue;
                }
                break;
            }
        }
        switch (key) {
        case FX_KEY_DOWN: ++sel; continue;
        case FX_KEY_UP: --sel; continue;
        case FX_KEY_ENTER:
            if (items.empty()) continue;
            if (items[static_cast<size_t>(sel)] == "..") folder = parentOf(folder);
            else folder = normalised((folder == "/" ? "/" : folder + "/") + items[static_cast<size_t>(sel)]);
            sel = 0;
            continue;
        case FX_KEY_BACKSPACE:
            folder = parentOf(folder);
            sel = 0;
            continue;
        case FX_KEY_F10: fx::record("browse picked " + fx::quote(folder)); return folder;
        case FX_KEY_ESC: fx::record("browse left"); return std::string();
        default: continue;
        }
    }
}

} // namespace fx::scr
