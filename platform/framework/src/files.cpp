// Memory, lists, plain files, folders, the text reader, the spreadsheet
// writer and the device ports (written to files, one per port).
#include "internal.hpp"
#include "xlsx_book.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <dirent.h>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The texts of FxListSetSearch, by list.
std::map<FxList*, std::string> gListSearch;

std::string gDeviceFolder;
FxFreeSpaceSource gFreeSpaceSource = nullptr;

int systemFreeSpace(const char* folder, uint64_t* bytes) {
    uint64_t total = 0;
    return FxDiskSpace(folder, &total, bytes);
}

struct ReaderImpl {
    FILE* file = nullptr;
};

// The port file in the device folder (else the data folder); "" when
// neither is set: device output never goes to the working folder.
std::string deviceFile(const char* prefix, int number) {
    std::string folder = gDeviceFolder.empty() ? fx::dataFolder() : gDeviceFolder;
    if (folder.empty()) {
        fx::record(std::string("device ") + prefix + std::to_string(number) + " refused: no device folder is set");
        return std::string();
    }
    if (folder.back() != '/') folder += '/';
    return folder + prefix + std::to_string(number) + ".out";
}

int appendToFile(const std::string& path, const void* data, size_t size) {
    if (path.empty()) return -1;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return -1;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    ::close(fd);
    return 0;
}

int writeAll(int fd, const void* data, size_t size, size_t* written) {
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written) *written = done;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    if (written) *written = done;
    return 0;
}

} // namespace

namespace fx {
void resetFiles() {
    gDeviceFolder.clear();
    gFreeSpaceSource = nullptr;
    gListSearch.clear();
}
std::string deviceFolder() { return gDeviceFolder; }
} // namespace fx

extern "C" {

// ---- memory and lists

void* FxAlloc(int count, int size) {
    if (count <= 0 || size <= 0) return nullptr;
    return std::calloc(static_cast<size_t>(count), static_cast<size_t>(size));
}

void FxFree(void* block) { std::free(block); }

void FxListInit(FxList* list) {
    if (!list) return;
    list->first = list->last = list->walk = nullptr;
    list->count = 0;
}

void* FxListAdd(FxList* list, const void* record, int size) {
    if (!list || size < 0) return nullptr;
    FxListNode* node = static_cast<FxListNode*>(std::calloc(1, sizeof(FxListNode)));
    if (!node) return nullptr;
    node->data = std::calloc(1, size > 0 ? static_cast<size_t>(size) : 1);
    if (!node->data) {
        std::free(node);
        return nullptr;
    }
    if (record && size > 0) std::memcpy(node->data, record, static_cast<size_t>(size));
    node->size = size;
    if (list->last) list->last->next = node;
    else list->first = node;
    list->last = node;
    ++list->count;
    return node->data;
}

void* FxListWalk(FxList* list, int how, int, int) {
    if (!list) return nullptr;
    switch (how) {
    case 1: list->walk = list->first; break;
    case 2: list->walk = list->walk ? list->walk->next : nullptr; break;
    case 3: { // previous: the list is singly linked
        FxListNode* prev = nullptr;
        FxListNode* n = list->first;
        while (n && n != list->walk) {
            prev = n;
            n = n->next;
        }
        list->walk = n ? prev : nullptr;
        break;
    }
    case 4: list->walk = list->last; break;
    case 7: {
        auto it = gListSearch.find(list);
        if (it == gListSearch.end()) return nullptr;
        const std::string& text = it->second;
        for (FxListNode* n = list->first; n; n = n->next) {
            const char* d = static_cast<const char*>(n->data);
            if (static_cast<size_t>(n->size) >= text.size() && strncasecmp(d, text.c_str(), text.size()) == 0) {
                list->walk = n;
                return n->data;
            }
        }
        return nullptr;
    }
    default: return nullptr;
    }
    return list->walk ? list->walk->data : nullptr;
}

void FxListSetSearch(FxList* list, const char* text, int length) {
    if (!list) return;
    if (!text) {
        gListSearch.erase(list);
        return;
    }
    size_t n = length >= 0 ? strnlen(text, static_cast<size_t>(length)) : std::strlen(text);
    gListSearch[list] = std::string(text, n);
}

void FxListClear(FxList* list) {
    if (!list) return;
    FxListNode* n = list->first;
    while (n) {
        FxListNode* next = n->next;
        std::free(n->data);
        std::free(n);
        n = next;
    }
    FxListInit(list);
}

// ---- plain files

int FxFileAccess(const char* path, int) {
    if (!path || !*path) return -1;
    struct stat st;
    return ::stat(path, &st) == 0 ? 0 : -1;
}

int FxFileOpen(const char* path, int flags, int perm, int, int* handle) {
    if (handle) *handle = -1;
    if (!path || !*path) return 4;
    int acc = flags & 3;
    int of = acc == 2 ? O_RDWR : acc == 1 ? O_WRONLY : O_RDONLY;
    if (flags & 0x100) of |= O_CREAT;
    if (flags & 0x200) of |= O_TRUNC;
    if (flags & 0x008) of |= O_APPEND;
    mode_t mode = (perm & 0x80) ? 0644 : 0444;
    int fd = ::open(path, of | O_CLOEXEC, mode);
    if (fd < 0) return errno == ENOENT ? 4 : 2;
    if (handle) *handle = fd;
    else ::close(fd);
    return 0;
}

int FxFileCreate(const char* path, int perm) {
    if (!path || !*path) return -1;
    mode_t mode = (perm & 0x80) || perm == 0 ? 0644 : 0444;
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    ::close(fd);
    return 0;
}

int FxFileClose(int handle) {
    if (handle < 0) return -1;
    return ::close(handle) == 0 ? 0 : -1;
}

int FxFileRead(int handle, void* buffer, int size, int* count) {
    if (count) *count = 0;
    if (handle < 0 || !buffer || size < 0) return -1;
    size_t done = 0;
    while (done < static_cast<size_t>(size)) {
        ssize_t n = ::read(handle, static_cast<char*>(buffer) + done, static_cast<size_t>(size) - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (count) *count = static_cast<int>(done);
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    if (count) *count = static_cast<int>(done);
    return 0;
}

int FxFileWrite(int handle, const void* buffer, int size, int* count) {
    if (count) *count = 0;
    if (handle < 0 || (!buffer && size > 0) || size < 0) return -1;
    size_t written = 0;
    int rc = writeAll(handle, buffer, static_cast<size_t>(size), &written);
    if (count) *count = static_cast<int>(written);
    return rc;
}

int32_t FxFileSeek(int handle, int32_t offset, int whence) {
    if (handle < 0) return -1;
    int w = whence == 1 ? SEEK_CUR : whence == 2 ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(handle, offset, w);
    return r < 0 ? -1 : static_cast<int32_t>(r);
}

int32_t FxFileTell(int handle) { return FxFileSeek(handle, 0, 1); }

int FxFileDelete(const char* path) {
    if (!path || !*path) return -1;
    return ::unlink(path) == 0 ? 0 : -1;
}

int FxFileCopy(const char* dest, const char* src) {
    if (!dest || !src || !*dest || !*src) return -1;
    int in = ::open(src, O_RDONLY | O_CLOEXEC);
    if (in < 0) return -1;
    std::string tmp = std::string(dest) + ".copying";
    int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return -1;
    }
    char buf[65536];
    int rc = 0;
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            rc = -1;
            break;
        }
        if (n == 0) break;
        if (writeAll(out, buf, static_cast<size_t>(n), nullptr) != 0) {
            rc = -1;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0) rc = -1;
    // The destination is replaced only by a complete copy.
    if (rc == 0 && ::rename(tmp.c_str(), dest) != 0) rc = -1;
    if (rc != 0) ::unlink(tmp.c_str());
    return rc;
}

int FxFileRename(const char* from, const char* to) {
    if (!from || !to || !*from || !*to) return -1;
    return ::rename(from, to) == 0 ? 0 : -1;
}

char* FxPathSetExtension(char* path, const char* ext) {
    if (!path) return path;
    char* slash = std::strrchr(path, '/');
    char* bslash = std::strrchr(path, '\\');
    if (bslash > slash) slash = bslash;
    char* dot = std::strrchr(path, '.');
    if (dot && (!slash || dot > slash)) *dot = '\0';
    if (ext && *ext) {
        if (*ext != '.') std::strcat(path, ".");
        std::strcat(path, ext);
    }
    return path;
}

int FxMakeFolder(const char* folder) {
    if (!folder || !*folder) return -1;
    std::string p = folder;
    for (char& c : p)
        if (c == '\\') c = '/';
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (part.empty()) continue;
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return -1;
        }
    }
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -1;
}

char* FxFolderEnd(char* folder) {
    if (!folder) return folder;
    FxTrimText(7, folder);
    size_t n = std::strlen(folder);
    if (n == 0) return folder;
    while (n > 1 && folder[n - 1] == '/') folder[--n] = '\0';
    if (folder[n - 1] != '/') {
        folder[n] = '/';
        folder[n + 1] = '\0';
    }
    return folder;
}

char* FxFolderWithSeparator(char* folder) { return FxFolderEnd(folder); }

char* FxFolderNoEnd(char* folder) {
    if (!folder) return folder;
    FxTrimText(7, folder);
    size_t n = std::strlen(folder);
    while (n > 1 && folder[n - 1] == '/') folder[--n] = '\0';
    return folder;
}

int FxPathAccepted(const char* path) {
    if (!path || !*path) return 0;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || (p[0] == '/' && p[1] == '/')) return 0;
    return 1;
}

int FxDiskSpace(const char* folder, uint64_t* total, uint64_t* available) {
    if (total) *total = 0;
    if (available) *available = 0;
    if (!folder || !*folder) return -1;
    struct statvfs vs;
    if (::statvfs(folder, &vs) != 0) return -1;
    if (total) *total = static_cast<uint64_t>(vs.f_blocks) * vs.f_frsize;
    if (available) *available = static_cast<uint64_t>(vs.f_bavail) * vs.f_frsize;
    return 0;
}

int FxFolderPatternSizes(const char* folder, const char* pattern, uint64_t* total, uint64_t* largest) {
    if (total) *total = 0;
    if (largest) *largest = 0;
    if (!folder || !pattern) return -1;
    DIR* d = ::opendir(*folder ? folder : ".");
    if (!d) return -1;
    std::string base = *folder ? folder : ".";
    if (base.back() != '/') base += '/';
    while (dirent* e = ::readdir(d)) {
        if (::fnmatch(pattern, e->d_name, FNM_CASEFOLD) != 0) continue;
        struct stat st;
        if (::stat((base + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        uint64_t size = static_cast<uint64_t>(st.st_size);
        if (total) *total += size;
        if (largest && size > *largest) *largest = size;
    }
    ::closedir(d);
    return 0;
}

int FxFolderCleanup(const char* folder, const char* pattern) {
    fx::record("cleanup " + fx::quote(folder ? folder : "") + " " + fx::quote(pattern ? pattern : "") +
               " (nothing deleted)");
    return 0;
}

// ---- text reader

int FxTextOpen(FxTextReader* reader, const char* path) {
    if (!reader) return -1;
    reader->length = 0;
    reader->line[0] = '\0';
    reader->impl = nullptr;
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) {
        reader->status = -2;
        return reader->status;
    }
    ReaderImpl* impl = new ReaderImpl;
    impl->file = f;
    reader->impl = impl;
    reader->status = 0;
    return 0;
}

int FxTextClose(FxTextReader* reader) {
    if (!reader) return -1;
    ReaderImpl* impl = static_cast<ReaderImpl*>(reader->impl);
    if (impl) {
        std::fclose(impl->file);
        delete impl;
    }
    reader->impl = nullptr;
    reader->status = 1;
    return 0;
}

int FxTextRewind(FxTextReader* reader) {
    if (!reader) return -1;
    ReaderImpl* impl = static_cast<ReaderImpl*>(reader->impl);
    if (!impl) return reader->status;
    std::rewind(impl->file);
    reader->status = 0;
    reader->length = 0;
    reader->line[0] = '\0';
    return 0;
}

int FxTextNext(FxTextReader* reader) {
    if (!reader) return -1;
    ReaderImpl* impl = static_cast<ReaderImpl*>(reader->impl);
    if (!impl) return reader->status;
    std::string line;
    int c;
    bool any = false;
    while ((c = std::fgetc(impl->file)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!any) {
        reader->status = 1;
        reader->length = 0;
        reader->line[0] = '\0';
        return 1;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= sizeof reader->line) line.resize(sizeof reader->line - 1);
    std::memcpy(reader->line, line.c_str(), line.size() + 1);
    reader->length = static_cast<int32_t>(line.size());
    reader->status = 0;
    return 0;
}

// ---- spreadsheet writer

namespace {

std::map<int32_t, std::unique_ptr<bwxlsx::Book>>& Books()
{
    static std::map<int32_t, std::unique_ptr<bwxlsx::Book>> books;
    return books;
}

bwxlsx::Book* BookOf(const FxSheet* sheet)
{
    if (sheet == nullptr || sheet->book == 0) return nullptr;
    auto it = Books().find(sheet->book);
    return it == Books().end() ? nullptr : it->second.get();
}

}  // namespace

int FxSheetOpen(int, int, int, const char* path, void* block) {
    if (!block || !path || !*path) return -1;
    FxSheet* sheet = static_cast<FxSheet*>(block);
    std::memset(sheet, 0, sizeof *sheet);
    sheet->handle = -1;
    auto book = std::make_unique<bwxlsx::Book>();
    if (!book->Open(path)) {
        fx::record("sheet open failed " + fx::quote(path));
        return -1;
    }
    static int32_t next = 0;
    if (++next <= 0) next = 1;
    Books()[next] = std::move(book);
    sheet->book = next;
    sheet->owned = 1;
    return 0;
}

int FxSheetClose(void* block) {
    if (!block) return -1;
    FxSheet* sheet = static_cast<FxSheet*>(block);
    bwxlsx::Book* book = BookOf(sheet);
    if (!sheet->owned || book == nullptr) return -1;
    book->FitWidths();
    const bool written = book->Close();
    Books().erase(sheet->book);
    sheet->book = 0;
    sheet->owned = 0;
    if (!written) fx::record("sheet not written");
    return written ? 0 : -1;
}

int FxSheetText(FxSheet* sheet, const char* text) {
    if (!sheet) return -1;
    if (bwxlsx::Book* book = BookOf(sheet)) {
        if (!book->Text(sheet->row, sheet->column, text ? text : "")) return -1;
        ++sheet->column;
        return 0;
    }
    std::string cell;
    if (sheet->kind == FX_SHEET_COMMAS) {
        cell = sheet->column > 0 ? ",\"" : "\"";
        for (const char* p = text ? text : ""; *p; ++p) {
            if (*p == '"') cell += '"';
            cell += (*p == '\r' || *p == '\n') ? ' ' : *p;
        }
        cell += '"';
    } else {
        cell = sheet->column > 0 ? "\t" : "";
        for (const char* p = text ? text : ""; *p; ++p) cell += (*p == '\t' || *p == '\r' || *p == '\n') ? ' ' : *p;
    }
    if (writeAll(sheet->handle, cell.data(), cell.size(), nullptr) != 0) return -1;
    ++sheet->column;
    return 0;
}

int FxSheetNumber(FxSheet* sheet, double value) {
    if (!sheet) return -1;
    if (bwxlsx::Book* book = BookOf(sheet)) {
        if (!book->Number(sheet->row, sheet->column, value)) return -1;
        ++sheet->column;
        return 0;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", value);
    std::string cell = sheet->column > 0 ? (sheet->kind == FX_SHEET_COMMAS ? "," : "\t") : "";
    cell += buf;
    if (writeAll(sheet->handle, cell.data(), cell.size(), nullptr) != 0) return -1;
    ++sheet->column;
    return 0;
}

int FxSheetEndRow(FxSheet* sheet) {
    if (!sheet) return -1;
    if (BookOf(sheet) == nullptr && writeAll(sheet->handle, "\r\n", 2, nullptr) != 0) return -1;
    sheet->column = 0;
    ++sheet->row;
    return 0;
}

// ---- device ports

void FxSetDeviceFolder(const char* folder) { gDeviceFolder = folder ? folder : ""; }

int FxSerialOpen(int port, int settings) {
    if (port < 0) return -1;
    fx::record("serial open COM" + std::to_string(port + 1) + " " + std::to_string(settings));
    return appendToFile(deviceFile("COM", port + 1), "", 0);
}

int FxSerialSend(int port, const char* data, int length) {
    if (port < 0 || !data) return -1;
    size_t n = length > 0 ? static_cast<size_t>(length) : std::strlen(data);
    return appendToFile(deviceFile("COM", port + 1), data, n);
}

int FxSerialWrite(int port, const char* data, int length) { return FxSerialSend(port, data, length); }

int FxSerialClose(int port) {
    if (port < 0) return -1;
    fx::record("serial close COM" + std::to_string(port + 1));
    return 0;
}

int FxSerialReopen(int port, int settings) { return FxSerialOpen(port, settings); }

int FxParallelOpen(int, int index, int* handle, int) {
    if (handle) *handle = -1;
    if (index < 0) return -1;
    std::string path = deviceFile("LPT", index + 1);
    if (path.empty()) return -1;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (handle) *handle = fd;
    else ::close(fd);
    return 0;
}

int FxParallelReopen(int kind, int index, int* handle) { return FxParallelOpen(kind, index, handle, 0); }

int FxParallelClose(int port, int handle) {
    if (handle < 0) return 0; // nothing was open
    fx::record("parallel close LPT" + std::to_string(port + 1));
    return FxFileClose(handle);
}

int FxPrinterReady(int port, int, int tries, int) {
    if (tries < 1) tries = 1;
    for (int i = 0; i < tries; ++i)
        if (FxParallelReady(port)) return 1;
    fx::record("printer LPT" + std::to_string(port + 1) + " not ready");
    return 0;
}

int FxParallelReady(int index) {
    if (index < 0) return 0;
    std::string path = deviceFile("LPT", index + 1);
    return appendToFile(path, "", 0) == 0 ? 1 : 0;
}

int FxParallelControl(int index, int op, const void* block, int flags) {
    if (index < 0 || !block) return -1;
    if (flags & 1) {
        if (op < 0 || op > 4096) return -1;
        return FxDeviceSend(index, op, static_cast<const uint16_t*>(block));
    }
    return appendToFile(deviceFile("LPT", index + 1), block, 12);
}

void FxSetFreeSpaceSource(FxFreeSpaceSource source) { gFreeSpaceSource = source; }

int FxFreeSpace(const char* folder, uint64_t* bytes) {
    if (!bytes) return -1;
    *bytes = 0;
    std::string f = folder && *folder ? folder : fx::dataFolder();
    if (f.empty()) f = ".";
    int rc = gFreeSpaceSource ? gFreeSpaceSource(f.c_str(), bytes) : systemFreeSpace(f.c_str(), bytes);
    return rc == 0 ? 0 : -1;
}

int FxDeviceSend(int port, int count, const uint16_t* codes) {
    if (port < 0 || count < 0 || (!codes && count > 0)) return -1;
    std::string bytes;
    for (int i = 0; i < count; ++i) { // the codes often lie in a packed record
        uint16_t code;
        std::memcpy(&code, reinterpret_cast<const char*>(codes) + i * sizeof code, sizeof code);
        bytes += static_cast<char>(code & 0xFF);
    }
    return appendToFile(deviceFile("LPT", port + 1), bytes.data(), bytes.size());
}

} // extern "C"
