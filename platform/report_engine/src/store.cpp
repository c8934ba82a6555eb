// The engine's own data file in the base folder: setup blocks by owner and
// layout, and the printer table with its default printer.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "engine_internal.h"

namespace duzo {
namespace {

class Db {
public:
    explicit Db(const char* folder)
    {
        std::string path = folder != nullptr ? folder : "";
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += kDataFile;
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            return;
        }
        sqlite3_busy_timeout(db_, 10000);
        if (sqlite3_exec(db_,
                         "CREATE TABLE IF NOT EXISTS setups(owner TEXT, layout TEXT, block BLOB,"
                         " PRIMARY KEY(owner, layout));"
                         "CREATE TABLE IF NOT EXISTS printers(name TEXT PRIMARY KEY, folder TEXT,"
                         " queue TEXT, isdefault INTEGER);",
                         nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~Db() { sqlite3_close(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;
    sqlite3* get() const { return db_; }
    explicit operator bool() const { return db_ != nullptr; }

private:
    sqlite3* db_ = nullptr;
};

class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &st_, nullptr); }
    ~Stmt() { sqlite3_finalize(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    sqlite3_stmt* get() const { return st_; }
    Stmt& Text(int i, const std::string& t)
    {
        sqlite3_bind_text(st_, i, t.c_str(), -1, SQLITE_TRANSIENT);
        return *this;
    }
    explicit operator bool() const { return st_ != nullptr; }

private:
    sqlite3_stmt* st_ = nullptr;
};

std::string Field(const char* text, size_t size)
{
    std::string s(text, strnlen(text, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

template <size_t N>
void Put(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// The engine's defaults: letter paper, half-inch margins, one monospaced
// face for every font, headings larger and bold.
void Defaults(EngSetup& s)
{
    s.paperCode = 1;
    Put(s.paperName, "Letter");
    s.paperWidth = 850;
    s.paperHeight = 1100;
    s.orientation = 1;
    for (size_t i = 0; i < sizeof s.margin / sizeof s.margin[0]; ++i)
        s.margin[i] = 50;
    static const struct {
        int size, style;
    } kFonts[ENGINE_FONT_COUNT] = {{14, 1}, {11, 1}, {10, 0}, {10, 0}, {9, 0}, {8, 0}, {10, 0}, {10, 0},
                                   {10, 1}, {10, 4}, {10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0},
                                   {10, 0}, {7, 0},  {10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0}};
    for (int f = 0; f < ENGINE_FONT_COUNT; ++f) {
        Put(s.fonts[f].face, "DejaVu Sans Mono");
        s.fonts[f].value = static_cast<uint16_t>(kFonts[f].size);
        s.fonts[f].style = static_cast<uint16_t>(kFonts[f].style);
    }
}

}  // namespace
}  // namespace duzo

using namespace duzo;

extern "C" {

ENGINE_API int ReportSetupRead(const char* baseFolder, const char* owner, const char* layout, void* setup)
{
    if (setup == nullptr)
        return -1;
    auto& s = *static_cast<EngSetup*>(setup);
    Db db(baseFolder);
    if (!db)
        return -1;
    Stmt q(db.get(), "SELECT block FROM setups WHERE owner = ?1 AND layout = ?2");
    if (!q)
        return -1;
    q.Text(1, Field(owner != nullptr ? owner : "", 16)).Text(2, Field(layout != nullptr ? layout : "", 51));
    if (sqlite3_step(q.get()) == SQLITE_ROW &&
        sqlite3_column_bytes(q.get(), 0) == static_cast<int>(sizeof(EngSetup))) {
        std::memcpy(&s, sqlite3_column_blob(q.get(), 0), sizeof s);
        return 0;
    }
    std::memset(&s, 0, sizeof s);
    Defaults(s);
    Put(s.owner, Field(owner != nullptr ? owner : "", 16));
    Put(s.layout, Field(layout != nullptr ? layout : "", 51));
    char printer[64] = {};
    if (BrmReportGetDefaultPrinter(baseFolder, printer, sizeof printer))
        Put(s.printer, printer);
    return 1;
}

ENGINE_API int ReportSetupUpdate(const char* baseFolder, const void* setup)
{
    if (setup == nullptr)
        return -1;
    const auto& s = *static_cast<const EngSetup*>(setup);
    Db db(baseFolder);
    if (!db)
        return -1;
    Stmt q(db.get(), "INSERT OR REPLACE INTO setups(owner, layout, block) VALUES(?1, ?2, ?3)");
    if (!q)
        return -1;
    q.Text(1, Field(s.owner, sizeof s.owner)).Text(2, Field(s.layout, sizeof s.layout));
    sqlite3_bind_blob(q.get(), 3, &s, sizeof s, SQLITE_TRANSIENT);
    return sqlite3_step(q.get()) == SQLITE_DONE ? 0 : -1;
}

ENGINE_API int ReportCustomLayoutExist(const char* owner, const char* baseFolder, const char* layout)
{
    Db db(baseFolder);
    if (!db)
        return 0;
    Stmt q(db.get(), "SELECT 1 FROM setups WHERE owner = ?1 AND layout = ?2");
    if (!q)
        return 0;
    q.Text(1, Field(owner != nullptr ? owner : "", 16)).Text(2, Field(layout != nullptr ? layout : "", 51));
    return sqlite3_step(q.get()) == SQLITE_ROW ? 1 : 0;
}

ENGINE_API uint32_t BrmRepGetRGBColor(int code)
{
    static const uint32_t kColours[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                          0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                          0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    return code >= 0 && code < 16 ? kColours[code] : 0;
}

ENGINE_API int BrmReportGetDefaultPrinter(const char* baseFolder, char* name, int size)
{
    if (name == nullptr || size < 1)
        return 0;
    name[0] = '\0';
    Db db(baseFolder);
    if (!db)
        return 0;
    Stmt q(db.get(), "SELECT name FROM printers WHERE isdefault = 1 ORDER BY name LIMIT 1");
    if (!q || sqlite3_step(q.get()) != SQLITE_ROW)
        return 0;
    std::snprintf(name, static_cast<size_t>(size), "%s",
                  reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
    return name[0] != '\0' ? 1 : 0;
}

ENGINE_API int BrmRepPrinterAt(const char* baseFolder, int n, EngPrinter* out)
{
    if (out == nullptr || n < 0)
        return -1;
    Db db(baseFolder);
    if (!db)
        return -1;
    Stmt q(db.get(), "SELECT name, folder, queue, isdefault FROM printers ORDER BY name LIMIT 1 OFFSET ?1");
    if (!q)
        return -1;
    sqlite3_bind_int(q.get(), 1, n);
    if (sqlite3_step(q.get()) != SQLITE_ROW)
        return 1;
    std::memset(out, 0, sizeof *out);
    auto text = [&](int i) {
        const unsigned char* t = sqlite3_column_text(q.get(), i);
        return std::string(t != nullptr ? reinterpret_cast<const char*>(t) : "");
    };
    Put(out->name, text(0));
    Put(out->folder, text(1));
    Put(out->queue, text(2));
    out->isDefault = sqlite3_column_int(q.get(), 3);
    return 0;
}

ENGINE_API int BrmRepPutPrinter(const char* baseFolder, const EngPrinter* printer)
{
    if (printer == nullptr || Field(printer->name, sizeof printer->name).empty())
        return -1;
    Db db(baseFolder);
    if (!db)
        return -1;
    sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    bool ok = true;
    if (printer->isDefault)
        ok = sqlite3_exec(db.get(), "UPDATE printers SET isdefault = 0", nullptr, nullptr, nullptr) == SQLITE_OK;
    {
        Stmt q(db.get(), "INSERT OR REPLACE INTO printers(name, folder, queue, isdefault) VALUES(?1, ?2, ?3, ?4)");
        ok = ok && q;
        if (ok) {
            q.Text(1, Field(printer->name, sizeof printer->name))
                .Text(2, Field(printer->folder, sizeof printer->folder))
                .Text(3, Field(printer->queue, sizeof printer->queue));
            sqlite3_bind_int(q.get(), 4, printer->isDefault ? 1 : 0);
            ok = sqlite3_step(q.get()) == SQLITE_DONE;
        }
    }
    sqlite3_exec(db.get(), ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    return ok ? 0 : -1;
}

ENGINE_API int BrmRepDeletePrinter(const char* baseFolder, const char* name)
{
    Db db(baseFolder);
    if (!db || name == nullptr)
        return -1;
    Stmt q(db.get(), "DELETE FROM printers WHERE name = ?1");
    if (!q)
        return -1;
    q.Text(1, name);
    return sqlite3_step(q.get()) == SQLITE_DONE ? 0 : -1;
}

ENGINE_API int BrmRepSetDefaultPrinter(const char* baseFolder, const char* name)
{
    Db db(baseFolder);
    if (!db || name == nullptr)
        return -1;
    Stmt q(db.get(), "UPDATE printers SET isdefault = (name = ?1)");
    if (!q)
        return -1;
    q.Text(1, name);
    return sqlite3_step(q.get()) == SQLITE_DONE && sqlite3_changes(db.get()) > 0 ? 0 : -1;
}

}  // extern "C"
