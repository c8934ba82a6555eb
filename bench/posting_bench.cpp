// The posting run against raw SQLite: N stored cash sales of five product
// lines each (stand-alone store, by period) posted by command 206, and the
// same rows written with prepared statements: the sale's ledger lines added
// into the run's lines by account, the accounts' totals, the products'
// quantity and value, an activity row and a history row per line, the tax
// code's statistics and the sale's posted mark. Raw SQLite runs four ways:
// one transaction per sale or one per 50 sales, each with commits synced
// to the disk (synchronous=FULL, durable as the run's batches are) or not
// (synchronous=NORMAL). Prints the times, sales per second, the ratio of
// the run to each, and the peak memory of the process (run it once per
// size to compare sizes).
//
//   posting_bench [sales] [folder]
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/screens.h"
#include "bwps/records/general.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "host/sample_store.h"
#include "recman.h"

namespace fs = std::filesystem;

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "posting_bench: %s\n", what);
        std::exit(1);
    }
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string ProgramFolder()
{
    return fs::canonical("/proc/self/exe").parent_path().string();
}

double RawSqlite(const std::string& folder, int sales, int perCommit, bool synced)
{
    const std::string path = folder + "/raw.sqlite";
    fs::remove(path);
    fs::remove(path + "-wal");
    fs::remove(path + "-shm");
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "raw database");
    sqlite3_exec(db, synced ? "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                            : "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE sale(invoice TEXT PRIMARY KEY, flags INT, body BLOB);"
                 "CREATE TABLE line(invoice TEXT, n INT, item TEXT, qty REAL, amount REAL,"
                 "  body BLOB, PRIMARY KEY(invoice, n));"
                 "CREATE TABLE product(code TEXT PRIMARY KEY, qty REAL, value REAL, body BLOB);"
                 "CREATE TABLE account(number TEXT PRIMARY KEY, debit REAL, credit REAL, body BLOB);"
                 "CREATE TABLE ledger(account TEXT, side TEXT, amount REAL, body BLOB,"
                 "  PRIMARY KEY(account, side));"
                 "CREATE TABLE activity(id INTEGER PRIMARY KEY, code TEXT, qty REAL, body BLOB);"
                 "CREATE TABLE history(code TEXT, year INT, sales REAL, cost REAL, body BLOB,"
                 "  PRIMARY KEY(code, year));"
                 "CREATE TABLE tax(code TEXT PRIMARY KEY, taxable REAL, tax REAL, body BLOB);"
                 "INSERT INTO tax VALUES('ST', 0, 0, zeroblob(995));",
                 nullptr, nullptr, nullptr);
    const std::string blob586(586, 'x'), blob182(182, 'y'), blob668(668, 'p'), blob569(569, 'a');
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* put = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO sale VALUES(?1, 8, ?2)", -1, &put, nullptr);
    sqlite3_stmt* putLine = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO line VALUES(?1, ?2, ?3, 1, ?4, ?5)", -1, &putLine, nullptr);
    for (int i = 0; i < sales; ++i) {
        char invoice[11];
        std::snprintf(invoice, sizeof invoice, "%010d", 2000000001 + i);
        sqlite3_bind_text(put, 1, invoice, -1, SQLITE_STATIC);
        sqlite3_bind_blob(put, 2, blob586.data(), 586, SQLITE_STATIC);
        sqlite3_step(put);
        sqlite3_reset(put);
        for (int k = 0; k < 5; ++k) {
            sqlite3_bind_text(putLine, 1, invoice, -1, SQLITE_STATIC);
            sqlite3_bind_int(putLine, 2, k + 1);
            sqlite3_bind_text(putLine, 3, k % 2 == 0 ? "WIDGET" : "GADGET", -1, SQLITE_STATIC);
            sqlite3_bind_double(putLine, 4, 10.0 + (i + k) % 7);
            sqlite3_bind_blob(putLine, 5, blob182.data(), 182, SQLITE_STATIC);
            sqlite3_step(putLine);
            sqlite3_reset(putLine);
        }
    }
    for (const char* code : {"WIDGET", "GADGET"}) {
        const std::string sql = "INSERT INTO product VALUES('" + std::string(code) + "', 0, 0, ?1)";
        sqlite3_stmt* p = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &p, nullptr);
        sqlite3_bind_blob(p, 1, blob668.data(), 668, SQLITE_STATIC);
        sqlite3_step(p);
        sqlite3_finalize(p);
    }
    for (const char* number : {"11021", "4101", "5101", "11071"}) {
        const std::string sql = "INSERT INTO account VALUES('" + std::string(number) + "', 0, 0, ?1)";
        sqlite3_stmt* p = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &p, nullptr);
        sqlite3_bind_blob(p, 1, blob569.data(), 569, SQLITE_STATIC);
        sqlite3_step(p);
        sqlite3_finalize(p);
    }
    sqlite3_finalize(put);
    sqlite3_finalize(putLine);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

    sqlite3_stmt *readSale, *readLines, *readProduct, *writeProduct, *mergeLedger, *writeAccount,
        *putActivity, *markSale, *addHistory, *addTax;
    sqlite3_prepare_v2(db, "SELECT invoice, flags, body FROM sale WHERE invoice > ?1 ORDER BY invoice LIMIT 1",
                       -1, &readSale, nullptr);
    sqlite3_prepare_v2(db, "SELECT item, qty, amount, body FROM line WHERE invoice = ?1 ORDER BY n",
                       -1, &readLines, nullptr);
    sqlite3_prepare_v2(db, "SELECT qty, value, body FROM product WHERE code = ?1", -1, &readProduct,
                       nullptr);
    sqlite3_prepare_v2(db, "UPDATE product SET qty = qty - ?2, value = value - ?3 WHERE code = ?1",
                       -1, &writeProduct, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO ledger VALUES(?1, ?2, ?3, zeroblob(84)) ON CONFLICT(account, side)"
                       " DO UPDATE SET amount = amount + ?3",
                       -1, &mergeLedger, nullptr);
    sqlite3_prepare_v2(db, "UPDATE account SET debit = debit + ?2, credit = credit + ?3 WHERE number = ?1",
                       -1, &writeAccount, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO activity(code, qty, body) VALUES(?1, ?2, zeroblob(175))", -1,
                       &putActivity, nullptr);
    sqlite3_prepare_v2(db, "UPDATE sale SET flags = flags | 2 WHERE invoice = ?1", -1, &markSale,
                       nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO history VALUES(?1, 2026, ?2, ?3, zeroblob(227)) ON CONFLICT(code, year)"
                       " DO UPDATE SET sales = sales + ?2, cost = cost + ?3",
                       -1, &addHistory, nullptr);
    sqlite3_prepare_v2(db, "UPDATE tax SET taxable = taxable + ?1, tax = tax + 0 WHERE code = 'ST'", -1,
                       &addTax, nullptr);

    auto ledger = [&](const char* account, const char* side, double amount) {
        sqlite3_bind_text(mergeLedger, 1, account, -1, SQLITE_STATIC);
        sqlite3_bind_text(mergeLedger, 2, side, -1, SQLITE_STATIC);
        sqlite3_bind_double(mergeLedger, 3, amount);
        sqlite3_step(mergeLedger);
        sqlite3_reset(mergeLedger);
        sqlite3_bind_text(writeAccount, 1, account, -1, SQLITE_STATIC);
        sqlite3_bind_double(writeAccount, 2, side[0] == 'D' ? amount : 0.0);
        sqlite3_bind_double(writeAccount, 3, side[0] == 'C' ? amount : 0.0);
        sqlite3_step(writeAccount);
        sqlite3_reset(writeAccount);
    };

    const double began = Now();
    std::string last;
    int inCommit = 0;
    for (;;) {
        sqlite3_bind_text(readSale, 1, last.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(readSale) != SQLITE_ROW) {
            sqlite3_reset(readSale);
            break;
        }
        char invoice[11] = {};
        std::snprintf(invoice, sizeof invoice, "%s",
                      reinterpret_cast<const char*>(sqlite3_column_text(readSale, 0)));
        sqlite3_reset(readSale);
        last = invoice;
        if (inCommit == 0)
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_bind_text(readLines, 1, invoice, -1, SQLITE_STATIC);
        double total = 0.0, cost = 0.0;
        while (sqlite3_step(readLines) == SQLITE_ROW) {
            const char* item = reinterpret_cast<const char*>(sqlite3_column_text(readLines, 0));
            const double qty = sqlite3_column_double(readLines, 1);
            total += sqlite3_column_double(readLines, 2);
            std::string code = item;
            sqlite3_bind_text(readProduct, 1, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(readProduct);
            sqlite3_reset(readProduct);
            sqlite3_bind_text(writeProduct, 1, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(writeProduct, 2, qty);
            sqlite3_bind_double(writeProduct, 3, 4.0 * qty);
            sqlite3_step(writeProduct);
            sqlite3_reset(writeProduct);
            sqlite3_bind_text(addHistory, 1, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(addHistory, 2, sqlite3_column_double(readLines, 2));
            sqlite3_bind_double(addHistory, 3, 4.0 * qty);
            sqlite3_step(addHistory);
            sqlite3_reset(addHistory);
            sqlite3_bind_text(putActivity, 1, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(putActivity, 2, -qty);
            sqlite3_step(putActivity);
            sqlite3_reset(putActivity);
            cost += 4.0 * qty;
        }
        sqlite3_reset(readLines);
        ledger("11021", "D", total);
        ledger("4101", "C", total);
        ledger("5101", "D", cost);
        ledger("11071", "C", cost);
        sqlite3_bind_double(addTax, 1, total);
        sqlite3_step(addTax);
        sqlite3_reset(addTax);
        sqlite3_bind_text(markSale, 1, invoice, -1, SQLITE_STATIC);
        sqlite3_step(markSale);
        sqlite3_reset(markSale);
        if (++inCommit == perCommit) {
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            inCommit = 0;
        }
    }
    if (inCommit > 0)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double took = Now() - began;
    for (sqlite3_stmt* s : {readSale, readLines, readProduct, writeProduct, mergeLedger, writeAccount,
                            putActivity, markSale, addHistory, addTax})
        sqlite3_finalize(s);
    sqlite3_close(db);
    return took;
}

}  // namespace

int main(int argc, char** argv)
{
    const int sales = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string folder =
        argc > 2 ? argv[2] : fs::temp_directory_path().string() + "/posting-bench-" + std::to_string(getpid());
    Check(sales > 0, "the number of sales must be above 0");
    fs::remove_all(folder);
    fs::create_directories(folder + "/company");
    const std::string data = folder + "/company";
    const std::string program = ProgramFolder();

    FxUseScriptDriver();
    SessionBlock* session = GetSessionPaths();
    std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program.c_str());
    std::snprintf(session->BasePath, sizeof session->BasePath, "%s/RAZAVUR", program.c_str());
    std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI",
                  program.c_str());
    std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data.c_str());
    SetFolders(program.c_str(), data.c_str(), (program + "/RAZAVUR").c_str());
    Check(CreateMissingDataFiles(data.c_str()) == 0, "the data files cannot be created");

    {
        // A stand-alone store posting by period, the on-line ledger off.
        TagSysInterface record{};
        std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        InterfaceRecordDefaults(nullptr, &record);
        record.OnlineLedger = 'N';
        uint16_t handle = 0;
        const std::string general = data + "/" + GetDataFileName(bwps::No(bwps::FileNo::General));
        Check(BtrOpenFile(&handle, general.c_str(), 0, 0) == 0, "the settings file cannot be opened");
        uint8_t key[256] = {};
        std::memcpy(key, record.Key, GENERAL_KEY_SIZE);
        Check(BtrWrite(B_INSERT, handle, key, &record, sizeof record) == 0,
              "the interface settings cannot be written");
        BtrCloseFile(handle);
        Check(LoadSysInterfaceRecord() != 0, "the interface settings cannot be read");
    }
    const host::FilePath path = [&](bwps::FileNo file) {
        return data + "/" + GetDataFileName(bwps::No(file));
    };
    const int32_t day = FxToday();
    std::string error;
    Check(host::AddSampleStore(path, data, day, error), error.c_str());
    const double seeding = Now();
    Check(host::AddManySales(path, day, sales, error), error.c_str());
    std::printf("stored %d sales of 5 lines in %.2f s\n", sales, Now() - seeding);
    const long before = PeakKilobytes();

    Check(ShowPosPostScreen != nullptr, "the posting is not in this build");
    FxScriptLoad("key F10\nanswer Continue\n");
    const double began = Now();
    ShowPosPostScreen();
    const double posting = Now() - began;
    const std::string transcript = FxTranscript();
    if (transcript.find("Sales posted:") == std::string::npos)
        std::fputs(transcript.c_str(), stderr);
    const auto note = transcript.find("Sales posted:");
    std::printf("posting run: %.2f s, %.0f sales/s (%s)\n", posting, sales / posting,
                note == std::string::npos ? "no summary"
                                          : transcript.substr(note, transcript.find('"', note) - note).c_str());
    std::printf("peak memory: %ld kB before the run, %ld kB after\n", before, PeakKilobytes());

    struct Way {
        const char* name;
        int perCommit;
        bool synced;
    } ways[] = {
        {"one transaction per sale, not synced", 1, false},
        {"one transaction per sale, synced", 1, true},
        {"one transaction per 50 sales, not synced", 50, false},
        {"one transaction per 50 sales, synced", 50, true},
    };
    for (const Way& way : ways) {
        const double raw = RawSqlite(folder, sales, way.perCommit, way.synced);
        std::printf("raw SQLite, %s: %.2f s, %.0f sales/s; posting / raw %.2f\n", way.name, raw, sales / raw,
                    posting / raw);
    }
    std::printf("peak memory at the end: %ld kB\n", PeakKilobytes());
    fs::remove_all(folder);
    return 0;
}
