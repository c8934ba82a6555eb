// The note editor: a full-screen line editor over a text file whose lines
// live in a block pool, with insert and overstrike typing, blocks (a large
// copied block goes to a scratch file), find and replace, printing and
// saving; and the record-notes window of the record screens on the same
// editing core.
#include "bwps/note_editor.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bwps/catalogue.h"
#include "bwps/desk_tools.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/neighbours.h"
#include "bwps/report_services.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "fx.h"

namespace bwps::notes {

// ---------------------------------------------------------------- the pool

bool EditorPool::Init(uint32_t bytes)
{
    Release();
    bytes = std::min<uint32_t>(bytes, NOTE_POOL_MAX) & ~7u;
    if (bytes < 64)
        return false;
    arena_.reset(new (std::nothrow) uint8_t[bytes]);
    if (arena_ == nullptr)
        return false;
    size_ = bytes;
    std::memset(arena_.get(), 0, 8);
    arena_[0] = ' ';  // the one-blank text that every empty line shares
    top_ = 8;
    return true;
}

void EditorPool::Release()
{
    arena_.reset();
    free_.clear();
    size_ = 0;
    top_ = 0;
}

void EditorPool::Sort()
{
    std::stable_sort(free_.begin(), free_.end(),
                     [](const FreeBlock& a, const FreeBlock& b) { return a.units < b.units; });
}

uint32_t EditorPool::Take(uint32_t size)
{
    if (arena_ == nullptr || size == 0 || size > NOTE_POOL_MAX)
        return 0;
    const uint32_t units = (size + 7) / 8;
    const uint32_t bytes = units * 8;
    for (size_t i = 0; i < free_.size(); ++i) {
        if (free_[i].units < units)
            continue;
        const uint32_t at = free_[i].at;
        if (free_[i].units == units) {
            free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            free_[i].at += bytes;
            free_[i].units -= units;
            Sort();
        }
        std::memset(At(at), 0, bytes);
        return at;
    }
    uint32_t at = top_;
    if (at / NOTE_POOL_SEGMENT != (at + bytes - 1) / NOTE_POOL_SEGMENT)
        at = (at / NOTE_POOL_SEGMENT + 1) * NOTE_POOL_SEGMENT;
    if (at + bytes > size_)
        return 0;
    top_ = at + bytes;
    std::memset(At(at), 0, bytes);
    return at;
}

void EditorPool::Give(uint32_t at, uint32_t size)
{
    if (arena_ == nullptr || at < 8 || size == 0)
        return;
    const uint32_t units = (size + 7) / 8;
    const uint32_t bytes = units * 8;
    if (at + bytes == top_) {
        top_ = at;
        return;
    }
    auto endOf = [](const FreeBlock& b) { return b.at + b.units * 8; };
    for (size_t i = 0; i < free_.size(); ++i) {
        if (endOf(free_[i]) != at)
            continue;
        free_[i].units += units;
        const uint32_t end = endOf(free_[i]);
        for (size_t j = 0; j < free_.size(); ++j)
            if (j != i && free_[j].at == end) {
                free_[i].units += free_[j].units;
                free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(j));
                break;
            }
        Sort();
        return;
    }
    for (size_t i = 0; i < free_.size(); ++i) {
        if (free_[i].at != at + bytes)
            continue;
        free_[i].at = at;
        free_[i].units += units;
        for (size_t j = 0; j < free_.size(); ++j)
            if (j != i && endOf(free_[j]) == at) {
                free_[j].units += free_[i].units;
                free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        Sort();
        return;
    }
    if (free_.size() >= NOTE_POOL_FREE_SLOTS)
        return;  // not tracked: the block is not used again in this edit
    free_.push_back({at, units});
    Sort();
}

uint32_t EditorPool::Available() const
{
    uint32_t bytes = size_ - top_;
    for (const FreeBlock& b : free_)
        bytes += b.units * 8;
    return bytes;
}

EditorPool& SharedPool()
{
    static EditorPool pool;
    return pool;
}

std::string TimeStampText(int hour, int minute, int second)
{
    const bool pm = hour >= 12;
    int shown = hour % 12;
    if (shown == 0)
        shown = 12;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %s", shown, minute, second, pm ? "PM" : "AM");
    return text;
}

namespace {

// ---------------------------------------------------------------- keys

constexpr int kAltB = 0x3000, kAltC = 0x2E00, kAltD = 0x2000, kAltE = 0x1200, kAltF = 0x2100, kAltI = 0x1700,
              kAltK = 0x2500, kAltL = 0x2600, kAltR = 0x1300, kAltW = 0x1100, kAltX = 0x2D00;
constexpr int kCtrlF = 6, kCtrlL = 12, kCtrlR = 18;
constexpr int kLastShownRow = 20;
constexpr int kF4 = 0x3E00, kF5 = 0x3F00, kF7 = 0x4100, kShiftF2 = 0x5500, kShiftF4 = 0x5700,
              kShiftF5 = 0x5800;

// ---------------------------------------------------------------- files

// The note file as it may be used: 0 and the path to read and write (a link
// that stays in its folder is followed), or the message that refuses it.
int CheckNoteFile(const std::string& path, std::string& target, bool& exists)
{
    exists = false;
    target = path;
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : NOTE_MSG_FILE_UNREADABLE;
    if (S_ISLNK(st.st_mode)) {
        std::string folder = path;
        const size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? "." : folder.substr(0, slash == 0 ? 1 : slash);
        char realFolder[PATH_MAX];
        char realTarget[PATH_MAX];
        if (::realpath(folder.c_str(), realFolder) == nullptr || ::realpath(path.c_str(), realTarget) == nullptr)
            return NOTE_MSG_FILE_LINK_OUT;
        std::string inside = realFolder;
        if (inside.empty() || inside.back() != '/')
            inside += '/';
        if (std::strncmp(realTarget, inside.c_str(), inside.size()) != 0)
            return NOTE_MSG_FILE_LINK_OUT;
        target = realTarget;
        if (::stat(target.c_str(), &st) != 0)
            return NOTE_MSG_FILE_UNREADABLE;
    }
    if (S_ISDIR(st.st_mode))
        return NOTE_MSG_FILE_IS_FOLDER;
    if (!S_ISREG(st.st_mode))
        return NOTE_MSG_FILE_UNREADABLE;
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NOTE_MSG_FILE_UNREADABLE;
    ::close(fd);
    exists = true;
    return 0;
}

// Reads the whole file (at most `limit` bytes; more is an error).
bool ReadWhole(const std::string& path, std::string& out, size_t limit)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
        if (out.size() > limit) {
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    return true;
}

// Writes the bytes to a new file beside the target, flushes it and renames
// it over the target. 0, or the system's error (the target is unchanged).
int SaveWhole(const std::string& target, const std::vector<std::string>& pieces, FxStatus* status)
{
    std::string temporary = target + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return errno != 0 ? errno : EIO;
    temporary = name.data();
    struct stat st{};
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int error = 0;
    std::string buffer;
    auto flush = [&]() {
        size_t done = 0;
        while (done < buffer.size() && error == 0) {
            const ssize_t n = ::write(fd, buffer.data() + done, buffer.size() - done);
            if (n < 0) {
                if (errno != EINTR)
                    error = errno;
                continue;
            }
            done += static_cast<size_t>(n);
        }
        buffer.clear();
    };
    for (const std::string& piece : pieces) {
        if (buffer.size() + piece.size() > 4096)
            flush();
        buffer += piece;
        if (status != nullptr)
            FxStatusUpdate(status, 0);
    }
    flush();
    if (error == 0 && ::fchmod(fd, mode) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

std::string PathOfHandle(int handle)
{
    if (handle < 0)
        return std::string();
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", handle);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return std::string();
    return std::string(target, static_cast<size_t>(n));
}

// ---------------------------------------------------------------- the core

#pragma pack(push, 1)
struct LineNode {
    int32_t length;
    uint32_t text;  // offset in the pool; 0: the shared one-blank text
    uint32_t prev;  // offsets of the neighbours, 0 none
    uint32_t next;
};
#pragma pack(pop)
static_assert(sizeof(LineNode) == 16, "a line node is 16 bytes");

enum class Kind { Format, RecordNotes };

class Editor {
public:
    Editor(EditorPool& pool, Kind kind, int maxLine) : pool_(pool), kind_(kind), maxLine_(maxLine) {}
    ~Editor()
    {
        DropCopy();
        if (!scratchPath_.empty())
            ::unlink(scratchPath_.c_str());
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // ---- text
    int Count() const { return count_; }
    bool IsEnd(int line) const { return kind_ == Kind::Format && line == count_; }

    uint32_t NodeAt(int line) const
    {
        uint32_t n = first_;
        for (int i = 1; i < line && n != 0; ++i)
            n = Node(n)->next;
        return n;
    }
    std::string Text(uint32_t node) const
    {
        const LineNode* n = Node(node);
        if (n->length <= 0)
            return std::string();
        return std::string(reinterpret_cast<const char*>(pool_.At(n->text)), static_cast<size_t>(n->length));
    }
    std::string LineText(int line) const
    {
        const uint32_t n = NodeAt(line);
        return n != 0 ? Text(n) : std::string();
    }

    // Loads the bytes as lines; false on a pool shortage. cut: a line was cut.
    bool Load(const std::string& bytes, bool& cut)
    {
        cut = false;
        std::vector<std::string> lines;
        const int most = kind_ == Kind::Format ? maxLine_ - 1 : NOTE_RECORD_LINE_MAX;
        std::string body = bytes;
        if (kind_ == Kind::RecordNotes) {
            // notes written by older versions end in a NUL; neither it nor
            // an end-of-file mark is part of the text
            while (!body.empty() && (body.back() == '\0' || body.back() == NOTE_END_OF_TEXT))
                body.pop_back();
        }
        size_t at = 0;
        bool endLine = false;
        while (at < body.size()) {
            size_t end = body.find('\n', at);
            const bool last = end == std::string::npos;
            if (last)
                end = body.size();
            std::string line = body.substr(at, end - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            at = end + 1;
            if (kind_ == Kind::Format && last && line == std::string(1, static_cast<char>(NOTE_END_OF_TEXT))) {
                endLine = true;
                break;
            }
            const size_t nul = line.find('\0');
            if (nul != std::string::npos) {
                line.resize(nul);
                cut = true;
            }
            if (static_cast<int>(line.size()) > most) {
                line.resize(static_cast<size_t>(most));
                cut = true;
            }
            lines.push_back(line);
            if (last)
                break;
        }
        if (kind_ == Kind::RecordNotes && !body.empty() && body.back() == '\n')
            lines.emplace_back();
        if (kind_ == Kind::RecordNotes && lines.empty())
            lines.emplace_back();
        (void)endLine;
        if (kind_ == Kind::Format)
            lines.emplace_back(1, static_cast<char>(NOTE_END_OF_TEXT));
        uint32_t previous = 0;
        for (const std::string& line : lines) {
            const uint32_t n = NewNode(line);
            if (n == 0)
                return false;
            if (previous == 0)
                first_ = n;
            else
                LinkAfter(n, previous);
            previous = n;
            ++count_;
        }
        line_ = 1;
        col_ = 1;
        return true;
    }

    // The file's bytes as pieces (one a line) for saving.
    std::vector<std::string> Pieces() const
    {
        std::vector<std::string> pieces;
        int line = 1;
        for (uint32_t n = first_; n != 0; n = Node(n)->next, ++line) {
            if (IsEnd(line))
                break;
            std::string text = Text(n);
            if (kind_ == Kind::Format)
                text += "\r\n";
            else if (Node(n)->next != 0)
                text += "\r\n";
            pieces.push_back(text);
        }
        if (kind_ == Kind::Format)
            pieces.emplace_back(1, static_cast<char>(NOTE_END_OF_TEXT));
        return pieces;
    }

    // ---- state read by the screen
    int line_ = 1, col_ = 1;
    int topLine_ = 1, firstCol_ = 1;
    char mode_ = 'I';
    char modeBefore_ = 'I';
    int anchor_ = 0;  // first line of a block while block mode lasts
    bool marks_ = false;
    bool changed_ = false;
    bool keepWords_ = false;  // the next blank typed keeps two words together
    std::string find_, replace_;
    int message_ = 0;  // a message the last key asks the screen to show

    int BlockFirst() const { return std::min(anchor_, line_); }
    int BlockLast() const { return std::max(anchor_, line_); }

    // ---- editing keys; false when the key is not an editing key
    bool Key(int key, int rows)
    {
        message_ = 0;
        if (key == FX_KEY_ENTER || (key >= 32 && key <= 255)) {
            if (mode_ != 'B')
                Type(key);
            return true;
        }
        if (mode_ == 'B')
            return BlockKey(key, rows);
        switch (key) {
        case FX_KEY_BACKSPACE: Backspace(); return true;
        case FX_KEY_DEL: Delete(); return true;
        case FX_KEY_TAB: Tab(); return true;
        case FX_KEY_INS: mode_ = mode_ == 'I' ? 'O' : 'I'; return true;
        default: break;
        }
        if (Move(key, rows))
            return true;
        if (kind_ != Kind::Format)
            return false;
        switch (key) {
        case kAltD: keepWords_ = false; DeleteLine(); return true;
        case kAltK: keepWords_ = false; CutToEnd(); return true;
        case kCtrlL: keepWords_ = false; InsertEmpty(true); return true;
        case kAltL: keepWords_ = false; InsertEmpty(false); return true;
        case kAltE: marks_ = !marks_; return true;
        case kAltB:
            keepWords_ = false;
            if (IsEnd(line_)) {
                message_ = NOTE_MSG_BLOCK_OUTSIDE;
                return true;
            }
            modeBefore_ = mode_;
            mode_ = 'B';
            anchor_ = line_;
            return true;
        case kAltI: keepWords_ = false; Paste(); return true;
        default: return false;
        }
    }

    // Types a text at the cursor (a form variable, a date or time stamp).
    void TypeText(const std::string& text)
    {
        for (char c : text) {
            Type(static_cast<unsigned char>(c) == ' ' ? 1 : static_cast<unsigned char>(c));
            if (message_ != 0)
                break;
        }
    }

    // ---- find and replace; false with the not-found message
    bool FindNext(int fromColumn)
    {
        keepWords_ = false;
        if (find_.empty())
            return false;
        int line = line_;
        int from = fromColumn - 1;
        for (uint32_t n = NodeAt(line_); n != 0; n = Node(n)->next, ++line, from = 0) {
            if (IsEnd(line))
                break;
            const std::string text = Text(n);
            if (from > static_cast<int>(text.size()))
                continue;
            const size_t hit = text.find(find_, static_cast<size_t>(std::max(0, from)));
            if (hit != std::string::npos) {
                line_ = line;
                col_ = static_cast<int>(hit) + 1;
                topLine_ = line_;
                return true;
            }
        }
        message_ = NOTE_MSG_NOT_FOUND;
        return false;
    }

    // Replaces the hit at the cursor; false (message set) when the line
    // would reach the maximum length.
    bool ReplaceHere()
    {
        const uint32_t n = NodeAt(line_);
        std::string text = Text(n);
        std::string changed = text.substr(0, static_cast<size_t>(col_ - 1)) + replace_ +
                              text.substr(static_cast<size_t>(col_ - 1) + find_.size());
        if (static_cast<int>(changed.size()) >= maxLine_) {
            message_ = NOTE_MSG_REPLACE_TOO_LONG;
            return false;
        }
        Store(n, changed);
        changed_ = true;
        col_ += static_cast<int>(replace_.size());
        return true;
    }

    // ---- block copy
    // The copied lines, from the pool or the scratch file.
    bool Copy()
    {
        DropCopy();
        const int first = BlockFirst(), last = BlockLast();
        int32_t size = 0;
        std::vector<std::string> lines;
        uint32_t n = NodeAt(first);
        for (int line = first; line <= last && n != 0; ++line, n = Node(n)->next) {
            if (IsEnd(line))
                break;
            lines.push_back(Text(n));
            size += static_cast<int32_t>(lines.back().size()) + NOTE_BLOCK_LINE_COST;
        }
        copySize_ = size;
        if (size <= NOTE_BLOCK_IN_MEMORY && static_cast<uint32_t>(size) < pool_.Room()) {
            uint32_t previous = 0;
            for (const std::string& line : lines) {
                const uint32_t c = NewNode(line);
                if (c == 0) {
                    DropCopy();
                    message_ = NOTE_MSG_OUT_OF_MEMORY;
                    return false;
                }
                if (previous == 0)
                    copyFirst_ = c;
                else
                    LinkAfter(c, previous);
                previous = c;
            }
            copyLines_ = static_cast<int>(lines.size());
            copied_ = true;
            onDisk_ = false;
            return true;
        }
        if (!WriteScratch(lines)) {
            message_ = NOTE_MSG_SCRATCH_WRITE;
            return false;
        }
        copied_ = true;
        onDisk_ = true;
        copyLines_ = static_cast<int>(lines.size());
        return true;
    }

    void DeleteBlock()
    {
        const int first = BlockFirst();
        int last = BlockLast();
        if (IsEnd(last))
            --last;
        for (int i = first; i <= last; ++i)
            RemoveLine(NodeAt(first));
        line_ = std::min(first, count_);
        mode_ = modeBefore_;
        changed_ = true;
    }

    std::string ScratchPath() const { return scratchPath_; }
    bool CopiedOnDisk() const { return copied_ && onDisk_; }

private:
    LineNode* Node(uint32_t at) { return reinterpret_cast<LineNode*>(pool_.At(at)); }
    const LineNode* Node(uint32_t at) const { return reinterpret_cast<const LineNode*>(pool_.At(at)); }

    // A text block for the line's text, 0 for the shared blank; false when
    // the pool has no room.
    bool TextBlock(const std::string& text, uint32_t& at)
    {
        at = 0;
        if (text.empty())
            return true;
        at = pool_.Take(static_cast<uint32_t>(text.size()) + 1);
        if (at == 0)
            return false;
        std::memcpy(pool_.At(at), text.data(), text.size());
        return true;
    }
    void GiveText(LineNode* n)
    {
        if (n->text != 0)
            pool_.Give(n->text, static_cast<uint32_t>(n->length) + 1);
        n->text = 0;
        n->length = 0;
    }
    uint32_t NewNode(const std::string& text)
    {
        const uint32_t at = pool_.Take(sizeof(LineNode));
        if (at == 0)
            return 0;
        uint32_t t = 0;
        if (!TextBlock(text, t)) {
            pool_.Give(at, sizeof(LineNode));
            return 0;
        }
        LineNode* n = Node(at);
        n->length = static_cast<int32_t>(text.size());
        n->text = t;
        return at;
    }
    // Puts a new text in the line; on a pool shortage the line is left
    // empty (message 202).
    void Store(uint32_t node, const std::string& text)
    {
        GiveText(Node(node));
        uint32_t t = 0;
        if (!TextBlock(text, t)) {
            message_ = NOTE_MSG_OUT_OF_MEMORY;
            return;
        }
        Node(node)->text = t;
        Node(node)->length = static_cast<int32_t>(text.size());
    }
    void LinkAfter(uint32_t node, uint32_t after)
    {
        LineNode* n = Node(node);
        LineNode* a = Node(after);
        n->prev = after;
        n->next = a->next;
        if (a->next != 0)
            Node(a->next)->prev = node;
        a->next = node;
    }
    void LinkBefore(uint32_t node, uint32_t before)
    {
        LineNode* n = Node(node);
        LineNode* b = Node(before);
        n->next = before;
        n->prev = b->prev;
        if (b->prev != 0)
            Node(b->prev)->next = node;
        else
            first_ = node;
        b->prev = node;
    }
    void RemoveLine(uint32_t node)
    {
        if (node == 0)
            return;
        LineNode* n = Node(node);
        if (n->prev != 0)
            Node(n->prev)->next = n->next;
        else
            first_ = n->next;
        if (n->next != 0)
            Node(n->next)->prev = n->prev;
        GiveText(n);
        pool_.Give(node, sizeof(LineNode));
        --count_;
    }
    // A new line before the cursor line; false on a shortage.
    bool InsertBefore(int line, const std::string& text)
    {
        const uint32_t n = NewNode(text);
        if (n == 0) {
            message_ = NOTE_MSG_OUT_OF_MEMORY;
            return false;
        }
        LinkBefore(n, NodeAt(line));
        ++count_;
        return true;
    }

    void Type(int key)
    {
        if (IsEnd(line_) && !InsertBefore(line_, std::string()))
            return;
        const uint32_t node = NodeAt(line_);
        std::string text = Text(node);
        const int length = static_cast<int>(text.size());
        if (key == FX_KEY_ENTER) {
            const size_t split = static_cast<size_t>(std::min(col_ - 1, length));
            const std::string rest = text.substr(split);
            const uint32_t n = NewNode(rest);
            if (n == 0) {
                message_ = NOTE_MSG_OUT_OF_MEMORY;
                return;
            }
            Store(node, text.substr(0, split));
            LinkAfter(n, node);
            ++count_;
            ++line_;
            col_ = 1;
            keepWords_ = true;
            changed_ = true;
            return;
        }
        // 1 stands for a blank of a typed text: stored plain
        unsigned char c = key == 1 ? ' ' : static_cast<unsigned char>(key);
        if (kind_ == Kind::Format && key == ' ') {
            if (mode_ == 'O' || keepWords_)
                c = NOTE_KEPT_BLANK;
        } else if (key != ' ' && key != 1) {
            keepWords_ = true;
        }
        const int most = MaxLength();
        if (col_ > most) {
            message_ = NOTE_MSG_LINE_FULL;
            return;
        }
        if (mode_ == 'I' && length >= most && col_ <= length) {
            message_ = NOTE_MSG_LINE_FULL;
            return;
        }
        if (col_ - 1 > length)
            text.append(static_cast<size_t>(col_ - 1 - length), ' ');
        if (mode_ == 'I' || col_ - 1 >= static_cast<int>(text.size()))
            text.insert(text.begin() + (col_ - 1), static_cast<char>(c));
        else
            text[static_cast<size_t>(col_ - 1)] = static_cast<char>(c);
        Store(node, text);
        ++col_;
        changed_ = true;
    }
    int MaxLength() const { return kind_ == Kind::Format ? maxLine_ - 1 : NOTE_RECORD_LINE_MAX; }

    void Backspace()
    {
        if (col_ <= 1 || IsEnd(line_))
            return;
        --col_;
        const uint32_t node = NodeAt(line_);
        std::string text = Text(node);
        if (col_ - 1 >= static_cast<int>(text.size()))
            return;
        if (mode_ == 'I')
            text.erase(static_cast<size_t>(col_ - 1), 1);
        else
            text[static_cast<size_t>(col_ - 1)] = ' ';
        Store(node, text);
        changed_ = true;
    }

    void Delete()
    {
        if (IsEnd(line_))
            return;
        const uint32_t node = NodeAt(line_);
        std::string text = Text(node);
        if (col_ - 1 < static_cast<int>(text.size())) {
            text.erase(static_cast<size_t>(col_ - 1), 1);
            Store(node, text);
            changed_ = true;
            return;
        }
        const uint32_t next = Node(node)->next;
        if (next == 0 || IsEnd(line_ + 1))
            return;
        text.append(static_cast<size_t>(col_ - 1 - static_cast<int>(text.size())), ' ');
        text += Text(next);
        if (static_cast<int>(text.size()) > MaxLength()) {
            text.resize(static_cast<size_t>(MaxLength()));
            message_ = NOTE_MSG_LINE_FULL;
        }
        Store(node, text);
        RemoveLine(next);
        changed_ = true;
    }

    void Tab()
    {
        const int target = std::min((col_ / NOTE_TAB_STEP + 1) * NOTE_TAB_STEP, MaxLength());
        if (target <= col_)
            return;
        if (mode_ == 'I' && !IsEnd(line_)) {
            const uint32_t node = NodeAt(line_);
            std::string text = Text(node);
            if (col_ - 1 < static_cast<int>(text.size())) {
                const int room = MaxLength() - static_cast<int>(text.size());
                const int blanks = std::min(target - col_, room);
                if (blanks <= 0) {
                    message_ = NOTE_MSG_LINE_FULL;
                    return;
                }
                text.insert(static_cast<size_t>(col_ - 1), static_cast<size_t>(blanks), ' ');
                Store(node, text);
                changed_ = true;
            }
        }
        col_ = target;
    }

    bool Move(int key, int rows)
    {
        const int lastLine = mode_ == 'B' && kind_ == Kind::Format ? count_ - 1 : count_;
        switch (key) {
        case FX_KEY_UP: line_ = std::max(1, line_ - 1); break;
        case FX_KEY_DOWN: line_ = std::min(lastLine, line_ + 1); break;
        case FX_KEY_LEFT: col_ = std::max(1, col_ - 1); break;
        case FX_KEY_RIGHT: col_ = std::min(MaxLength(), col_ + 1); break;
        case FX_KEY_HOME: col_ = 1; break;
        case FX_KEY_END: col_ = std::min(MaxLength(), static_cast<int>(LineText(line_).size()) + 1); break;
        case FX_KEY_PGUP:
            line_ = std::max(1, line_ - rows);
            topLine_ = std::max(1, topLine_ - rows);
            break;
        case FX_KEY_PGDN:
            line_ = std::min(lastLine, line_ + rows);
            topLine_ = std::min(std::max(1, count_ - rows + 1), topLine_ + rows);
            break;
        case FX_KEY_CTRL_HOME: line_ = 1; col_ = 1; break;
        case FX_KEY_CTRL_END: line_ = lastLine; col_ = 1; break;
        default: return false;
        }
        if (IsEnd(line_))
            col_ = 1;
        line_ = std::max(1, line_);
        keepWords_ = false;
        return true;
    }

    bool BlockKey(int key, int rows)
    {
        if (key == FX_KEY_UP || key == FX_KEY_DOWN || key == FX_KEY_PGUP || key == FX_KEY_PGDN ||
            key == FX_KEY_CTRL_HOME || key == FX_KEY_CTRL_END)
            return Move(key, rows);
        switch (key) {
        case kAltB: mode_ = modeBefore_; return true;
        case kAltC:
            Copy();
            mode_ = modeBefore_;
            return true;
        case kAltX:
            if (Copy())
                DeleteBlock();
            mode_ = modeBefore_;
            return true;
        case FX_KEY_DEL: DeleteBlock(); return true;
        default: return true;  // the typing and editing keys do nothing in block mode
        }
    }

    void DeleteLine()
    {
        if (IsEnd(line_) || (kind_ == Kind::RecordNotes && count_ == 1))
            return;
        RemoveLine(NodeAt(line_));
        line_ = std::min(line_, count_);
        changed_ = true;
    }
    void CutToEnd()
    {
        if (IsEnd(line_))
            return;
        const uint32_t node = NodeAt(line_);
        const std::string text = Text(node);
        if (col_ - 1 >= static_cast<int>(text.size()))
            return;
        Store(node, text.substr(0, static_cast<size_t>(col_ - 1)));
        changed_ = true;
    }
    void InsertEmpty(bool after)
    {
        if (after && !IsEnd(line_)) {
            const uint32_t n = NewNode(std::string());
            if (n == 0) {
                message_ = NOTE_MSG_OUT_OF_MEMORY;
                return;
            }
            LinkAfter(n, NodeAt(line_));
            ++count_;
        } else {
            if (!InsertBefore(line_, std::string()))
                return;
            ++line_;
        }
        changed_ = true;
    }

    void Paste()
    {
        if (!copied_) {
            message_ = NOTE_MSG_NOTHING_COPIED;
            return;
        }
        if (static_cast<int64_t>(pool_.Available()) <= copySize_) {
            message_ = NOTE_MSG_NO_ROOM_TO_PASTE;
            return;
        }
        std::vector<std::string> lines;
        if (onDisk_) {
            if (!ReadScratch(lines)) {
                message_ = NOTE_MSG_SCRATCH_OPEN;
                return;
            }
        } else {
            for (uint32_t c = copyFirst_; c != 0; c = Node(c)->next)
                lines.push_back(Text(c));
        }
        const int at = line_;
        for (const std::string& line : lines) {
            const uint32_t n = NewNode(line);
            if (n == 0) {
                message_ = NOTE_MSG_OUT_OF_MEMORY;
                break;
            }
            LinkBefore(n, NodeAt(line_));
            ++count_;
            ++line_;
        }
        line_ = at;
        changed_ = true;
    }

    void DropCopy()
    {
        for (uint32_t c = copyFirst_; c != 0;) {
            const uint32_t next = Node(c)->next;
            GiveText(Node(c));
            pool_.Give(c, sizeof(LineNode));
            c = next;
        }
        copyFirst_ = 0;
        copied_ = false;
        copyLines_ = 0;
    }

    bool WriteScratch(const std::vector<std::string>& lines)
    {
        if (scratchPath_.empty()) {
            std::string folder = GetProgramPath() != nullptr ? GetProgramPath() : "";
            if (!folder.empty() && folder.back() != '/')
                folder += '/';
            int number = 0;
            for (; number < 999; ++number)
                if (::access((folder + "SCRAP" + std::to_string(number) + ".EDT").c_str(), F_OK) != 0)
                    break;
            scratchPath_ = folder + "SCRAP" + std::to_string(number) + ".EDT";
        }
        const int fd = ::open(scratchPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return false;
        std::string bytes;
        auto u16 = [&bytes](size_t v) {
            bytes += static_cast<char>(v & 0xFF);
            bytes += static_cast<char>((v >> 8) & 0xFF);
        };
        for (const std::string& line : lines) {
            if (line.empty()) {
                u16(1);
                bytes += '\r';
            } else {
                u16(line.size());
                bytes += line;
            }
        }
        u16(0);
        bytes += static_cast<char>(NOTE_END_OF_TEXT);
        const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        return ::close(fd) == 0 && ok;
    }

    bool ReadScratch(std::vector<std::string>& lines)
    {
        std::string bytes;
        if (scratchPath_.empty() || !ReadWhole(scratchPath_, bytes, 1u << 24))
            return false;
        size_t at = 0;
        while (at + 2 <= bytes.size()) {
            const size_t length = static_cast<unsigned char>(bytes[at]) |
                                  (static_cast<size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8);
            at += 2;
            if (length == 0)
                return true;
            if (at + length > bytes.size())
                return false;
            std::string line = bytes.substr(at, length);
            if (line == "\r")
                line.clear();
            lines.push_back(line);
            at += length;
        }
        return false;
    }

    EditorPool& pool_;
    Kind kind_;
    int maxLine_;
    uint32_t first_ = 0;
    int count_ = 0;
    // the copied block
    bool copied_ = false;
    bool onDisk_ = false;
    uint32_t copyFirst_ = 0;
    int copyLines_ = 0;
    int32_t copySize_ = 0;
    std::string scratchPath_;
};

// ---------------------------------------------------------------- the screen

std::string Shown(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u == NOTE_KEPT_BLANK)
            c = '~';
        else if (u < 32 || u >= 127)
            c = '?';
    }
    return out;
}

void AddKeyRow(FxForm& form, int key, const char* keyText, const char* caption)
{
    for (FxKeyMenuItem& row : form.keys.menu) {
        if (row.key != 0)
            continue;
        row.key = key;
        row.keyCopy = key;
        std::snprintf(row.keyText, sizeof row.keyText, "%s", keyText);
        std::snprintf(row.caption, sizeof row.caption, "%s", caption);
        return;
    }
}

struct AskContext {
    FxContext fx;
    FxForm* form;
    bool replace;
};

int AskTextsExit(void* context)
{
    auto* c = static_cast<AskContext*>(context);
    if (c->fx.key != FX_KEY_ENTER)
        return FX_GO_ON;
    const std::string find = FxFieldGet(c->form, 1);
    const std::string replace = c->replace ? FxFieldGet(c->form, 2) : std::string("x");
    if (find.empty() || replace.empty()) {
        ShowMessage(NOTE_MSG_EMPTY_FIND, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return FX_LEAVE;
}

// The find screen, or the find-and-replace screen; true when Enter took
// the texts.
bool AskTexts(bool replace, std::string& find, std::string& replaceWith)
{
    ScreenField table[3] = {};
    table[0].number = 1;
    table[0].row = 1;
    table[0].column = 16;
    std::snprintf(table[0].picture, sizeof table[0].picture, "%%-30s");
    table[0].exitHandler = replace ? nullptr : AskTextsExit;
    if (replace) {
        table[1].number = 2;
        table[1].row = 2;
        table[1].column = 16;
        std::snprintf(table[1].picture, sizeof table[1].picture, "%%-30s");
        table[1].exitHandler = AskTextsExit;
    }
    AskContext context{};
    FxForm form{};
    context.form = &form;
    context.replace = replace;
    FxAppBegin(&context.fx);
    FxFormLoad(&form, table, 0);
    FxWindow window{};
    const char* name = replace ? "RSEditorReplace" : "RSEditorFind";
    if (FxWindowCreate(&window, 9, 14, replace ? 12 : 11, 65, 1, 2, ' ', replace ? "Replace" : "Find") != 0) {
        FxAppEnd(&context.fx);
        return false;
    }
    FxWindowSetName(&window, name);
    FxWindowText(&window, 1, 2, -1, "Find:", 0);
    if (replace)
        FxWindowText(&window, 2, 2, -1, "Replace with:", 0);
    AddKeyRow(form, FX_KEY_ENTER, "Enter", replace ? "Replace" : "Find");
    AddKeyRow(form, FX_KEY_ESC, "Esc", "Cancel");
    FxWindowAttachForm(&window, &form, 0);
    FxFieldSet(&form, 1, find.c_str());
    if (replace)
        FxFieldSet(&form, 2, replaceWith.c_str());
    const int key = FxAppRun(&context.fx, 1);
    const bool taken = key != FX_KEY_ESC;
    if (taken) {
        find = FxFieldGet(&form, 1);
        if (replace)
            replaceWith = FxFieldGet(&form, 2);
    }
    FxWindowClose(&window, 1);
    FxAppEnd(&context.fx);
    return taken;
}

class Screen {
public:
    Screen(Editor& editor, Kind kind, std::string path, std::string target, int row, int column, int height,
           int width, bool printWide)
        : ed_(editor), kind_(kind), path_(std::move(path)), target_(std::move(target)), row_(row), column_(column),
          height_(height), width_(width), printWide_(printWide)
    {
    }

    // false when the window could not be made
    bool Open()
    {
        // the last screen row that an 80 x 24 terminal shows above the
        // prompt and the key bar
        height_ = std::min(height_, kLastShownRow - row_ + 1);
        rows_ = height_ - 2;
        cols_ = width_ - 2;
        if (rows_ < 1 || cols_ < 10)
            return false;
        FxAppBegin(&context_);
        static ScreenField empty[1] = {};
        FxFormLoad(&form_, empty, 0);
        std::string title = kind_ == Kind::Format ? path_ : "Notes " + BaseName();
        if (title.size() > 60)
            title = "..." + title.substr(title.size() - 57);
        if (FxWindowCreate(&window_, row_, column_, row_ + height_ - 1, column_ + width_ - 1, 1, 2, ' ',
                           title.c_str()) != 0) {
            FxAppEnd(&context_);
            return false;
        }
        open_ = true;
        FxWindowSetName(&window_, kind_ == Kind::Format ? "RSNoteEditor" : "RSRecordNotes");
        if (kind_ == Kind::Format) {
            AddKeyRow(form_, FX_KEY_F1, "F1", "Help");
            AddKeyRow(form_, kF7, "F7", "Print");
            AddKeyRow(form_, FX_KEY_F10, "F10", "Save");
            AddKeyRow(form_, kAltB, "Alt+B", "Block");
            AddKeyRow(form_, kAltF, "Alt+F", "Find");
            AddKeyRow(form_, kAltR, "Alt+R", "Replace");
            AddKeyRow(form_, FX_KEY_ESC, "Esc", "Leave");
        } else {
            AddKeyRow(form_, FX_KEY_F1, "F1", "Help");
            AddKeyRow(form_, kShiftF4, "\x18" "F4", "Date");
            AddKeyRow(form_, kShiftF5, "\x18" "F5", "Time");
            AddKeyRow(form_, kF7, "F7", "Print");
            AddKeyRow(form_, FX_KEY_F10, "F10", "Save & Close");
            AddKeyRow(form_, FX_KEY_ESC, "Esc", "Close");
        }
        FxWindowAttachForm(&window_, &form_, 0);
        shown_.assign(static_cast<size_t>(rows_ + 1), std::string(1, '\x01'));
        return true;
    }

    void Close()
    {
        if (open_) {
            FxWindowClose(&window_, 1);
            FxAppEnd(&context_);
        }
        open_ = false;
    }

    // Runs the keys until the editor is left. True when the text was saved
    // at least once.
    bool Run()
    {
        for (;;) {
            Draw();
            const int key = FxScreenKey(kind_ == Kind::Format ? "RSNoteEditor" : "RSRecordNotes");
            if (key == 0)
                return saved_;  // the framework closed the screen
            if (ed_.mode_ != 'B')
                FxWindowMark(&window_, -1, 0, 0);
            if (kind_ == Kind::Format ? FormatKey(key) : NotesKey(key))
                return saved_;
            if (ed_.message_ != 0) {
                const int message = ed_.message_;
                ed_.message_ = 0;
                Draw();
                ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
            }
        }
    }

    void SetPathForHandle(int* handle) { handle_ = handle; }

private:
    std::string BaseName() const
    {
        const size_t slash = path_.rfind('/');
        return slash == std::string::npos ? path_ : path_.substr(slash + 1);
    }

    // True when the editor is to end.
    bool FormatKey(int key)
    {
        switch (key) {
        case FX_KEY_ESC: return Leave();
        case FX_KEY_F1: FxShowHelp(1, NOTE_HELP_EDITOR, 0); return false;
        case FX_KEY_SHIFT_F1: FxShowHelp(11, 0, 0); return false;
        case kShiftF2: ShowCalculator(); return false;
        case FX_KEY_SHIFT_F10: Version(); return false;
        case kF4:
            if (RSEDITDATE != nullptr)
                RSEDITDATE();
            return false;
        case kF5: {
            if (ed_.mode_ == 'B') {
                ShowMessage(NOTE_MSG_NO_VARIABLES, MESSAGE_DEFAULT_CONTEXT);
                return false;
            }
            char text[FORM_VARIABLE_TEXT_SIZE] = {};
            if (FlyFormVariables(4, 4, 13, 70, text) != 0)
                ed_.TypeText(text);
            return false;
        }
        case kF7: Print(); return false;
        case FX_KEY_F10:
            if (ed_.mode_ == 'B')
                ed_.mode_ = ed_.modeBefore_;
            return Save();
        case kAltW: Save(); return false;
        case kAltF:
        case kCtrlF:
            if (ed_.mode_ == 'B')
                return false;
            if ((key == kAltF || ed_.find_.empty()) && !AskTexts(false, ed_.find_, ed_.replace_))
                return false;
            ed_.FindNext(key == kCtrlF && !ed_.find_.empty() ? ed_.col_ + 1 : ed_.col_);
            ScrollToCursor();
            return false;
        case kAltR:
        case kCtrlR:
            if (ed_.mode_ == 'B')
                return false;
            if ((key == kAltR || ed_.find_.empty() || ed_.replace_.empty()) &&
                !AskTexts(true, ed_.find_, ed_.replace_))
                return false;
            Replace();
            return false;
        default: break;
        }
        ed_.Key(key, rows_);
        ScrollToCursor();
        return false;
    }

    bool NotesKey(int key)
    {
        switch (key) {
        case FX_KEY_ESC: return Leave();
        case FX_KEY_F1: FxShowHelp(1, NOTE_HELP_RECORD_NOTES, 0); return false;
        case FX_KEY_F10: return Save();
        case kAltW: Save(); return false;
        case kF7: Print(); return false;
        case kShiftF4: {
            char text[16] = {};
            FxTimeToText(text, FxToday());
            ed_.TypeText(text);
            ScrollToCursor();
            return false;
        }
        case kShiftF5: {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            ed_.TypeText(TimeStampText(local.tm_hour, local.tm_min, local.tm_sec));
            ScrollToCursor();
            return false;
        }
        default: break;
        }
        ed_.Key(key, rows_);
        ScrollToCursor();
        return false;
    }

    bool Leave()
    {
        if (ed_.mode_ == 'B') {
            ed_.mode_ = ed_.modeBefore_;
            return false;
        }
        if (!ed_.changed_)
            return true;
        int choice = 1;
        AskMessage(NOTE_MSG_LEAVE_CHANGED, MESSAGE_DEFAULT_CONTEXT, &choice, " No,Yes,Cancel", nullptr, 0, 0, 0, 0,
                   0);
        if (choice == 3)
            return false;
        if (choice == 2)
            return Save();
        return true;
    }

    // True when saved.
    bool Save()
    {
        FxStatus* status = FxStatusOpen("RSMsgEditorSaving", 0);
        const int error = SaveWhole(target_, ed_.Pieces(), status);
        if (status != nullptr)
            FxStatusClose(status);
        if (error != 0) {
            ShowMessage(NOTE_MSG_NOT_SAVED, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        ed_.changed_ = false;
        saved_ = true;
        if (handle_ != nullptr && *handle_ >= 0) {
            ::close(*handle_);
            *handle_ = ::open(target_.c_str(), O_RDWR | O_CLOEXEC);
        }
        return true;
    }

    void Replace()
    {
        bool all = false;
        int from = ed_.col_;
        while (ed_.FindNext(from)) {
            ScrollToCursor();
            Draw();
            FxWindowMark(&window_, 1 + ed_.line_ - ed_.topLine_, 1 + ed_.col_ - ed_.firstCol_,
                         static_cast<int>(ed_.find_.size()));
            int choice = 3;
            if (!all) {
                choice = 1;
                AskMessage(NOTE_MSG_REPLACE_ASK, MESSAGE_DEFAULT_CONTEXT, &choice, " Replace,Skip,All,Cancel", nullptr,
                           0, 0, 0, 0, 0);
            }
            FxWindowMark(&window_, -1, 0, 0);
            if (choice == 4)
                return;
            if (choice == 3)
                all = true;
            if (choice == 2) {
                from = ed_.col_ + 1;
                continue;
            }
            if (!ed_.ReplaceHere()) {
                Draw();
                ShowMessage(ed_.message_, MESSAGE_DEFAULT_CONTEXT);
                ed_.message_ = 0;
                return;
            }
            from = ed_.col_;
        }
        if (ed_.message_ == NOTE_MSG_NOT_FOUND && all)
            ed_.message_ = 0;  // every hit was replaced
        ScrollToCursor();
    }

    void Print()
    {
        int last = 0;
        std::vector<std::string> lines;
        for (int line = 1; line <= ed_.Count(); ++line) {
            if (ed_.IsEnd(line))
                break;
            std::string text = ed_.LineText(line);
            for (char& c : text)
                if (static_cast<unsigned char>(c) == NOTE_KEPT_BLANK)
                    c = ' ';
            lines.push_back(text);
            if (!FxIsEmpty(text.c_str()))
                last = static_cast<int>(lines.size());
        }
        if (last == 0) {
            ShowMessage(NOTE_MSG_NOTHING_TO_PRINT, MESSAGE_DEFAULT_CONTEXT);
            return;
        }
        TagRepInfo report{};
        report.wide = printWide_ ? 1 : 0;
        char folder[FOLDER_BUFFER_SIZE] = {};
        std::snprintf(folder, sizeof folder, "%s", GetFilesPath() != nullptr ? GetFilesPath() : "");
        FxFolderEnd(folder);
        std::snprintf(report.outputFile, sizeof report.outputFile, "%sNOTES.PRN", folder);
        if (!ReportOpen(&report, "Note Editor"))
            return;
        if (kind_ == Kind::RecordNotes && report.destination == REPORT_TO_PRINTER) {
            int choice = 1;
            AskMessage(NOTE_MSG_PRINT_WIDTH, MESSAGE_DEFAULT_CONTEXT, &choice, " Keep,Switch,Cancel", nullptr, 0, 0,
                       0, 0, 0);
            if (choice == 2)
                ReportToggleWidth(&report);
            if (choice == 3) {
                report.aborted = 1;
                ReportClose(&report);
                return;
            }
        }
        const int width = report.width > 0 ? static_cast<int>(report.width) : 80;
        const int perPage = report.linesPerPage > 0 ? report.linesPerPage : REPORT_TEXT_PAGE_LINES;
        uint8_t work[32] = {};
        int written = 0;
        bool stopped = false;
        for (int i = 0; i < last && !stopped; ++i) {
            const std::string& text = lines[static_cast<size_t>(i)];
            size_t at = 0;
            do {
                const std::string part = text.substr(at, static_cast<size_t>(width));
                ReportWriteText(&report, part.c_str(), 0, 0);
                ReportNewLines(&report, 1);
                at += static_cast<size_t>(width);
                if (++written % perPage == 0)
                    ReportEndPage(&report);
            } while (at < text.size());
            if (ReportCheckUserBreakEx(&report, work))
                stopped = true;
        }
        if (written % perPage != 0)
            ReportEndPage(&report);
        ReportClose(&report);
    }

    void ScrollToCursor()
    {
        if (ed_.line_ < ed_.topLine_)
            ed_.topLine_ = ed_.line_;
        if (ed_.line_ >= ed_.topLine_ + rows_)
            ed_.topLine_ = ed_.line_ - rows_ + 1;
        const int step = std::max(1, cols_ / 2);
        while (ed_.col_ < ed_.firstCol_)
            ed_.firstCol_ = std::max(1, ed_.firstCol_ - step);
        while (ed_.col_ >= ed_.firstCol_ + cols_)
            ed_.firstCol_ += step;
    }

    void Put(int row, const std::string& text)
    {
        std::string& was = shown_[static_cast<size_t>(row)];
        if (was == text)
            return;
        was = text;
        FxWindowText(&window_, row, 1, -1, text.c_str(), 0);
    }

    void Draw()
    {
        ScrollToCursor();
        int line = ed_.topLine_;
        for (int row = 1; row <= rows_; ++row, ++line) {
            std::string text;
            if (line <= ed_.Count() && !ed_.IsEnd(line)) {
                text = ed_.LineText(line);
                if (ed_.marks_) {
                    const bool hasNext = line < ed_.Count() && !ed_.IsEnd(line + 1);
                    if (text.empty() || hasNext)
                        text += static_cast<char>(NOTE_KEPT_BLANK);
                }
            }
            text = Shown(text);
            text = static_cast<int>(text.size()) >= ed_.firstCol_ ? text.substr(static_cast<size_t>(ed_.firstCol_ - 1))
                                                                  : std::string();
            text.resize(static_cast<size_t>(cols_), ' ');
            Put(row, text);
            const bool marked = ed_.mode_ == 'B' && line >= ed_.BlockFirst() && line <= ed_.BlockLast();
            if (marked != (marked_.count(row) != 0)) {
                if (marked) {
                    FxWindowMark(&window_, row, 1, cols_);
                    marked_.insert(row);
                } else {
                    FxWindowMark(&window_, row, 0, 0);
                    marked_.erase(row);
                }
            }
        }
        // the status line
        char place[40];
        std::snprintf(place, sizeof place, " Line:%5d Col:%4d", ed_.line_, ed_.col_);
        const char* mode = ed_.mode_ == 'B' ? "   Block    " : ed_.mode_ == 'O' ? " Overstrike " : "   Insert   ";
        char memory[24] = {};
        if (kind_ == Kind::Format)
            std::snprintf(memory, sizeof memory, "%4u    K ", SharedPool().Available() / 1024);
        std::string status;
        for (const std::string& piece : {std::string(place), std::string(mode), std::string(memory)})
            if (static_cast<int>(status.size() + piece.size()) <= cols_)
                status += piece;
        std::string name = BaseName();
        if (static_cast<int>(path_.size() + status.size()) + 1 <= cols_)
            name = path_;
        if (static_cast<int>(name.size() + status.size()) + 1 <= cols_)
            status = name + " " + status;
        status.resize(static_cast<size_t>(cols_), ' ');
        if (status != statusShown_) {
            statusShown_ = status;
            FxWindowText(&window_, height_ - 1, 1, -1, status.c_str(), 0);
        }
        FxWindowCursor(&window_, 1 + ed_.line_ - ed_.topLine_, 1 + ed_.col_ - ed_.firstCol_);
    }

    Editor& ed_;
    Kind kind_;
    std::string path_, target_;
    int row_, column_, height_, width_;
    bool printWide_;
    int rows_ = 0, cols_ = 0;
    FxContext context_{};
    FxForm form_{};
    FxWindow window_{};
    bool open_ = false;
    bool saved_ = false;
    int* handle_ = nullptr;
    std::vector<std::string> shown_;
    std::set<int> marked_;
    std::string statusShown_;
};

// The pool of the record-notes window: its own, so that it opens while a
// note editor runs.
EditorPool& NotesPool()
{
    static EditorPool pool;
    return pool;
}

bool g_sharedInUse = false;

// Runs one editor; the answer of RunNoteEditor (0 ran, 1 not).
int RunEditor(Kind kind, int row, int column, int height, int width, int maxLine, int* handle, const char* path,
              bool printWide, bool* saved)
{
    std::string file = path != nullptr ? path : std::string();
    if (file.empty() && handle != nullptr)
        file = PathOfHandle(*handle);
    if (file.empty()) {
        ShowMessage(NOTE_MSG_FILE_UNREADABLE, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    std::string target;
    bool exists = false;
    const int refused = CheckNoteFile(file, target, exists);
    if (refused != 0) {
        ShowMessage(refused, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    std::string bytes;
    if (exists && !ReadWhole(target, bytes, 4u * NOTE_POOL_MAX)) {
        ShowMessage(bytes.size() > 4u * NOTE_POOL_MAX ? NOTE_MSG_OUT_OF_MEMORY : NOTE_MSG_FILE_UNREADABLE,
                    MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    EditorPool& pool = kind == Kind::Format ? SharedPool() : NotesPool();
    if ((kind == Kind::Format && g_sharedInUse) || !pool.Init()) {
        ShowMessage(NOTE_MSG_OUT_OF_MEMORY, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    if (kind == Kind::Format)
        g_sharedInUse = true;
    int answer = 0;
    {
        Editor editor(pool, kind, std::clamp(maxLine, 2, NOTE_LINE_BUFFER - 1));
        bool cut = false;
        if (!editor.Load(bytes, cut)) {
            ShowMessage(NOTE_MSG_OUT_OF_MEMORY, MESSAGE_DEFAULT_CONTEXT);
            answer = 1;
        } else {
            Screen screen(editor, kind, file, target, row, column, height, width, printWide);
            screen.SetPathForHandle(handle);
            if (!screen.Open()) {
                answer = 1;
            } else {
                if (cut)
                    ShowMessage(NOTE_MSG_LINES_CUT, MESSAGE_DEFAULT_CONTEXT);
                const bool wasSaved = screen.Run();
                if (saved != nullptr)
                    *saved = wasSaved;
                screen.Close();
            }
        }
    }
    pool.Release();
    if (kind == Kind::Format)
        g_sharedInUse = false;
    return answer;
}

}  // namespace

}  // namespace bwps::notes

extern "C" {

BWPS_EXPORT int RunNoteEditor(int row, int column, int height, int width, int maxLine, int* handle,
                              const char* path, uint8_t /*flag*/, uint8_t printWide)
{
    return bwps::notes::RunEditor(bwps::notes::Kind::Format, row, column, height, width, maxLine, handle, path,
                                  printWide != 0, nullptr);
}

BWPS_EXPORT int RunRecordNotesEditor(int row, int column, int height, int width, const void* /*further*/,
                                     int handle, const char* path)
{
    bwps::notes::RunEditor(bwps::notes::Kind::RecordNotes, row, column, height, width, NOTE_LINE_BUFFER - 1,
                           nullptr, path != nullptr ? path : bwps::notes::PathOfHandle(handle).c_str(), false,
                           nullptr);
    return 1;
}

// The text editor of the record screens: the record-notes window on the
// file. The result is 1 when the notes were saved, else 0.
BWPS_EXPORT int RunTextEditor(int top, int left, int bottom, int right, int /*lineLength*/, int32_t* result,
                              const char* path)
{
    bool saved = false;
    const int answer = bwps::notes::RunEditor(bwps::notes::Kind::RecordNotes, top, left, bottom - top + 1,
                                              right - left + 1, NOTE_LINE_BUFFER - 1, nullptr, path, false, &saved);
    if (result != nullptr)
        *result = answer == 0 && saved ? 1 : 0;
    return 0;
}

BWPS_EXPORT int EditorPoolInit(void)
{
    return bwps::notes::SharedPool().Init() ? 0 : 1;
}

BWPS_EXPORT void EditorPoolFreeAll(void)
{
    bwps::notes::SharedPool().Release();
}

BWPS_EXPORT void* EditorPoolTake(int size)
{
    if (size <= 0)
        return nullptr;
    const uint32_t at = bwps::notes::SharedPool().Take(static_cast<uint32_t>(size));
    return at != 0 ? bwps::notes::SharedPool().At(at) : nullptr;
}

BWPS_EXPORT void EditorPoolGive(void* block, int size)
{
    bwps::notes::EditorPool& pool = bwps::notes::SharedPool();
    if (block == nullptr || size <= 0 || !pool.Ready())
        return;
    const auto* at = static_cast<const uint8_t*>(block);
    const uint8_t* base = pool.At(0);
    if (at < base || at >= base + NOTE_POOL_MAX)
        return;
    pool.Give(static_cast<uint32_t>(at - base), static_cast<uint32_t>(size));
}

BWPS_EXPORT int32_t EditorPoolAvailable(void)
{
    return static_cast<int32_t>(bwps::notes::SharedPool().Available());
}

}  // extern "C"
