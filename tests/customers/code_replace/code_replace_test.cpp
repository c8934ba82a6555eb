// The replacement of a code in every file: a company holding the old code
// in every file the run walks (both tables, the picture and promotion
// customer files, register detail files of odd names and modes, keys of
// code and year); afterwards no old code is left, the counts are kept and
// the master record lives under the new code only. A failure at any file,
// and a run killed at any moment, leave every file as it was (or, past the
// commit, every file changed).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "bwps/catalogue.h"
#include "bwps/records/code_fields.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "bwps/screens.h"
#include "customers/code_replace.h"
#include "customers/customer_record.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

using customers::CodeKind;
using records::CodeField;
using records::CodeWalk;

constexpr const char* kRegisterFiles[] = {"REG1.DB", "reg2.db", "Reg3.Db"};

struct Case {
    CodeKind kind;
    const char* oldCode;
    const char* newCode;
};

class CodeReplaceTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_EQ(CreateMissingDataFiles(Folder(data_).c_str()), 0);
    }

    static int Width(CodeKind kind) { return kind == CodeKind::Customer ? 11 : 15; }
    static FileNo Master(CodeKind kind)
    {
        return kind == CodeKind::Customer ? FileNo::Customers
               : kind == CodeKind::Service ? FileNo::Services
                                            : FileNo::Products;
    }
    // The rows a run of the kind walks in a store that is not interfaced.
    static std::vector<CodeField> Rows(CodeKind kind)
    {
        std::vector<CodeField> rows;
        const uint8_t wanted = kind == CodeKind::Service ? records::kServiceCodes : records::kCustomerCodes;
        auto take = [&](const auto& table) {
            for (const CodeField& row : table)
                if ((row.kinds & wanted) != 0 && GetDataFileEntry(No(row.file))->Kind != 3)
                    rows.push_back(row);
        };
        if (kind == CodeKind::Customer)
            take(records::kCustomerCodeFields);
        else
            take(records::kItemCodeFields);
        return rows;
    }
    static int Length(FileNo file) { return GetDataFileEntry(No(file))->RecordLength; }

    static void PutCode(std::vector<uint8_t>& r, int offset, int width, const std::string& code)
    {
        std::memset(r.data() + offset, 0, static_cast<size_t>(width));
        std::memcpy(r.data() + offset, code.data(), code.size());
    }
    // A record whose other bytes differ from record to record.
    static std::vector<uint8_t> Record(FileNo file, int serial)
    {
        std::vector<uint8_t> r(static_cast<size_t>(Length(file)));
        for (size_t j = 0; j < r.size(); ++j)
            r[j] = static_cast<uint8_t>('a' + (j * 3 + static_cast<size_t>(serial) * 7) % 26);
        return r;
    }
    void Insert(FileNo file, std::vector<uint8_t>& r)
    {
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, Path(file).c_str(), 0, 0), 0) << No(file);
        char key[256] = {};
        EXPECT_EQ(BtrWrite(B_INSERT, h, key, r.data(), static_cast<int>(r.size())), 0) << No(file);
        BtrCloseFile(h);
    }

    // The old code in every file the run walks, beside other codes.
    void Fill(const Case& c)
    {
        const int w = Width(c.kind);
        std::string lower = c.oldCode;
        for (char& ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        int serial = 0;
        for (const CodeField& row : Rows(c.kind)) {
            std::vector<std::pair<std::string, std::string>> codes;  // first field, second field
            switch (row.walk) {
            case CodeWalk::Rekey:
                codes = {{c.oldCode, ""}, {"OTHER", ""}};
                break;
            case CodeWalk::Keyed:
                codes = row.file == FileNo::ProductPictures
                            ? std::vector<std::pair<std::string, std::string>>{{c.oldCode, ""}, {"OTHER", ""}}
                            : std::vector<std::pair<std::string, std::string>>{
                                  {c.oldCode, ""}, {c.oldCode, ""}, {c.oldCode, ""}, {"OTHER", ""}, {"A", ""}};
                break;
            case CodeWalk::TwoFields:
            case CodeWalk::KeyedThenScan:
                codes = {{c.oldCode, "OTHER"}, {"OTHER", c.oldCode}, {"A", "B"}};
                break;
            default:
                // the user-defined records: one per code
                if (row.file == FileNo::CustomerFields || row.file == FileNo::ProductFields ||
                    row.file == FileNo::ServiceFields)
                    codes = {{c.oldCode, ""}, {"OTHER", ""}};
                else
                    codes = {{c.oldCode, ""}, {lower, ""}, {"OTHER", ""}, {c.oldCode, ""}};
                break;
            }
            for (const auto& [first, second] : codes) {
                std::vector<uint8_t> r = Record(row.file, ++serial);
                PutCode(r, row.offset, w, first);
                if (row.second >= 0)
                    PutCode(r, row.second, w, second);
                if (row.file == FileNo::SalesHeader)
                    r[offsetof(TagSalesHdr, Type)] = 1;
                Insert(row.file, r);
            }
            if (c.kind == CodeKind::Customer && row.file == FileNo::SalesHeader) {
                // a type-3 document keeps its customer further on
                std::vector<uint8_t> r = Record(row.file, ++serial);
                r[offsetof(TagSalesHdr, Type)] = records::kSecondCustomerDocument;
                PutCode(r, row.offset, w, "OTHER");
                PutCode(r, offsetof(TagSalesHdr, LayawayCustomer), w, c.oldCode);
                Insert(row.file, r);
            }
        }
        // the masters: the old code, a neighbour, and products naming it
        for (const char* code : {c.oldCode, "OTHER"}) {
            std::vector<uint8_t> r(static_cast<size_t>(Length(Master(c.kind))), 0);
            PutCode(r, 0, w, code);
            PutCode(r, c.kind == CodeKind::Customer ? offsetof(CustomerRecord, Name) : 15, 30, "the master");
            if (c.kind == CodeKind::Product) {
                PutCode(r, records::kProductReference1, w, c.oldCode);
                PutCode(r, records::kProductReference2, w, "OTHER");
            }
            if (c.kind == CodeKind::Customer)
                r[offsetof(CustomerRecord, Status)] = 'A';
            Insert(Master(c.kind), r);
        }
        // register detail files of mixed-case names, one read-only
        for (const char* name : kRegisterFiles) {
            std::ofstream out(Folder(data_) + name, std::ios::binary);
            for (const std::string& code : {std::string(c.oldCode), lower, std::string("OTHER")}) {
                TagSalesDetail line{};
                std::snprintf(line.InvoiceNo, sizeof line.InvoiceNo, "INV%s", name);
                std::snprintf(line.ItemCode, sizeof line.ItemCode, "%s", code.c_str());
                out.write(reinterpret_cast<const char*>(&line), sizeof line);
            }
        }
        ::chmod((Folder(data_) + kRegisterFiles[2]).c_str(), 0444);
        // a file that is no register detail file keeps its bytes
        std::ofstream(Folder(data_) + "REGISTER.TXT") << c.oldCode;
    }

    // Every record of every file the run touches, and the flat files.
    using Snapshot = std::map<std::string, std::vector<std::vector<uint8_t>>>;
    Snapshot Take(CodeKind kind)
    {
        Snapshot s;
        std::vector<FileNo> files;
        for (const CodeField& row : Rows(kind))
            files.push_back(row.file);
        files.push_back(Master(kind));
        for (FileNo file : files) {
            auto& records = s[GetDataFileName(No(file))];
            records.clear();
            uint16_t h = 0;
            if (BtrOpenFile(&h, Path(file).c_str(), 0, 0) != 0) {
                records.push_back({});
                continue;
            }
            std::vector<uint8_t> r(4096);
            char key[256] = {};
            for (int st = BtrGet(B_STEP_FIRST, h, key, r.data(), 4096); st == 0;
                 st = BtrGet(B_STEP_NEXT, h, key, r.data(), 4096))
                records.emplace_back(r.begin(), r.begin() + BtrCall218(h));
            BtrCloseFile(h);
            std::sort(records.begin(), records.end());
        }
        for (const char* name : kRegisterFiles) {
            std::ifstream in(Folder(data_) + name, std::ios::binary);
            s[name].push_back(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
        }
        std::ifstream in(Folder(data_) + "REGISTER.TXT", std::ios::binary);
        s["REGISTER.TXT"].push_back(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
        return s;
    }

    // How often a code stands in the code fields of a file's records
    // (ignoring case, or exactly).
    static int Count(const std::vector<std::vector<uint8_t>>& records, const CodeField& row, int width,
                     const std::string& code, bool ignoreCase)
    {
        int n = 0;
        for (const auto& r : records)
            for (int offset : {static_cast<int>(row.offset), static_cast<int>(row.second)}) {
                if (offset < 0 || offset + width > static_cast<int>(r.size()))
                    continue;
                const std::string text(reinterpret_cast<const char*>(r.data()) + offset,
                                       strnlen(reinterpret_cast<const char*>(r.data()) + offset, static_cast<size_t>(width)));
                const bool same = ignoreCase ? strcasecmp(text.c_str(), code.c_str()) == 0 : text == code;
                n += same ? 1 : 0;
            }
        return n;
    }
    static int CountInRegister(const std::vector<uint8_t>& bytes, const std::string& code)
    {
        int n = 0;
        for (size_t at = 0; at + sizeof(TagSalesDetail) <= bytes.size(); at += sizeof(TagSalesDetail)) {
            TagSalesDetail line;
            std::memcpy(&line, bytes.data() + at, sizeof line);
            n += strncasecmp(line.ItemCode, code.c_str(), sizeof line.ItemCode) == 0 ? 1 : 0;
        }
        return n;
    }

    customers::ReplaceOutcome Replace(const Case& c)
    {
        return customers::ReplaceCode(c.kind, 0, c.oldCode, c.newCode);
    }
};

const Case kCases[] = {
    {CodeKind::Customer, "OLD1", "ZNEW"},
    {CodeKind::Customer, "OLD1", "ANEW"},  // sorts before the old code
    {CodeKind::Product, "WIDGET", "ZWIDGET"},
    {CodeKind::Product, "WIDGET", "AWIDGET"},
    {CodeKind::Service, "INSTALL", "ZINSTALL"},
};

std::string Name(const Case& c)
{
    const char* kinds[] = {"customer", "product", "service"};
    return std::string(kinds[static_cast<int>(c.kind)]) + " " + c.oldCode + " -> " + c.newCode;
}

TEST_F(CodeReplaceTest, EveryFileTakesTheNewCodeAndKeepsItsRecords)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(Name(c));
        TearDown();
        SetUp();
        Fill(c);
        const Snapshot before = Take(c.kind);
        const customers::ReplaceOutcome outcome = Replace(c);
        ASSERT_TRUE(outcome.Ok()) << outcome.status.status << " op " << outcome.status.operation << " file "
                                  << No(outcome.status.file) << " message " << outcome.message;
        const Snapshot after = Take(c.kind);
        const int w = Width(c.kind);
        for (const CodeField& row : Rows(c.kind)) {
            const std::string name = GetDataFileName(No(row.file));
            SCOPED_TRACE(name);
            const auto& was = before.at(name);
            const auto& now = after.at(name);
            EXPECT_EQ(now.size(), was.size()) << "records kept";
            const bool exact = row.walk == CodeWalk::Keyed || row.walk == CodeWalk::Rekey;
            int expected = Count(was, row, w, c.oldCode, !exact);
            if (c.kind == CodeKind::Customer && row.file == FileNo::SalesHeader)
                ++expected;  // the type-3 document's second customer
            int moved = Count(now, row, w, c.newCode, false);
            if (c.kind == CodeKind::Customer && row.file == FileNo::SalesHeader)
                for (const auto& r : now)
                    moved += std::strcmp(reinterpret_cast<const char*>(r.data()) +
                                             offsetof(TagSalesHdr, LayawayCustomer),
                                         c.newCode) == 0
                                 ? 1
                                 : 0;
            EXPECT_EQ(moved, expected);
            EXPECT_EQ(Count(now, row, w, c.oldCode, !exact), 0) << "old code left";
        }
        // the master under the new code only, its references moved along
        const auto& masters = after.at(GetDataFileName(No(Master(c.kind))));
        ASSERT_EQ(masters.size(), 2u);
        std::vector<std::string> codes;
        for (const auto& r : masters)
            codes.push_back(reinterpret_cast<const char*>(r.data()));
        std::sort(codes.begin(), codes.end());
        std::vector<std::string> want = {c.newCode, "OTHER"};
        std::sort(want.begin(), want.end());
        EXPECT_EQ(codes, want);
        if (c.kind == CodeKind::Product) {
            for (const auto& r : masters)
                EXPECT_STREQ(reinterpret_cast<const char*>(r.data()) + records::kProductReference1, c.newCode);
        }
        // register detail files: every line of the old code, whatever the
        // name's case or the file's mode; other files untouched
        for (const char* file : kRegisterFiles) {
            if (c.kind == CodeKind::Customer) {
                EXPECT_EQ(after.at(file), before.at(file)) << "register lines hold item codes only";
                continue;
            }
            EXPECT_EQ(CountInRegister(after.at(file)[0], c.oldCode), 0) << file;
            EXPECT_EQ(CountInRegister(after.at(file)[0], c.newCode), 2) << file;
            EXPECT_EQ(after.at(file)[0].size(), before.at(file)[0].size()) << file;
        }
        struct stat st {};
        ASSERT_EQ(::stat((Folder(data_) + kRegisterFiles[2]).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0444u) << "the file keeps its mode";
        EXPECT_EQ(after.at("REGISTER.TXT"), before.at("REGISTER.TXT"));
        EXPECT_FALSE(fs::exists(Folder(data_) + customers::kReplaceMarker));
    }
}

TEST_F(CodeReplaceTest, RefusedCodesChangeNothing)
{
    const Case c{CodeKind::Product, "WIDGET", "X"};
    Fill(c);
    std::vector<uint8_t> service(static_cast<size_t>(Length(FileNo::Services)), 0);
    PutCode(service, 0, 15, "SERV1");
    Insert(FileNo::Services, service);
    const Snapshot before = Take(c.kind);
    struct Row {
        const char* what;
        const char* newCode;
        int message;
    } rows[] = {
        {"an existing product", "OTHER", 535},
        {"a service's code", "SERV1", 535},
        {"empty", "  ", 193},
        {"longer than the field", "ABCDEFGHIJKLMNOP", 3603},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const customers::ReplaceOutcome outcome = customers::ReplaceCode(c.kind, 0, c.oldCode, row.newCode);
        EXPECT_EQ(outcome.message, row.message);
        EXPECT_TRUE(Take(c.kind) == before) << "a file changed";
    }
}

// Each walked file in turn cannot be opened: the run stops there and every
// file, those walked before included, keeps the old code.
TEST_F(CodeReplaceTest, AFailureAtAnyFileLeavesEveryFileAsItWas)
{
    for (const Case& c : {kCases[0], kCases[2]}) {
        SCOPED_TRACE(Name(c));
        TearDown();
        SetUp();
        Fill(c);
        const Snapshot before = Take(c.kind);
        std::vector<FileNo> files;
        for (const CodeField& row : Rows(c.kind))
            files.push_back(row.file);
        for (FileNo file : files) {
            SCOPED_TRACE(GetDataFileName(No(file)));
            const std::string path = Path(file);
            fs::rename(path, path + ".away");
            fs::create_directory(path);
            const customers::ReplaceOutcome outcome = Replace(c);
            fs::remove(path);
            fs::rename(path + ".away", path);
            EXPECT_FALSE(outcome.Ok());
            EXPECT_EQ(outcome.status.file, file) << "the report names the file";
            EXPECT_TRUE(Take(c.kind) == before) << "a file changed";
        }
        if (c.kind == CodeKind::Customer)
            continue;
        // a register detail file whose copy cannot be written
        const std::string blocked = Folder(data_) + kRegisterFiles[1] + ".RPL";
        fs::create_directory(blocked);
        const customers::ReplaceOutcome outcome = Replace(c);
        EXPECT_EQ(outcome.message, 503);
        fs::remove(blocked);
        EXPECT_TRUE(Take(c.kind) == before) << "a file changed";
        for (const auto& entry : fs::directory_iterator(data_))
            EXPECT_NE(entry.path().extension(), ".RPL") << entry.path();
    }
}

// A run killed at random moments: once the company is opened again, every
// file holds the old code, or every file the new one.
TEST_F(CodeReplaceTest, AKilledRunLeavesAllOldOrAllNew)
{
    const Case c = kCases[2];  // a product: the register detail files are renamed after the commit
    Fill(c);
    const Snapshot before = Take(c.kind);
    const std::string saved = root_.string() + "/saved";
    fs::create_directories(saved);
    for (const auto& entry : fs::directory_iterator(data_))
        fs::copy(entry.path(), saved + "/" + entry.path().filename().string());
    auto restore = [&] {
        for (const auto& entry : fs::directory_iterator(data_))
            fs::remove_all(entry.path());
        for (const auto& entry : fs::directory_iterator(saved))
            fs::copy(entry.path(), Folder(data_) + entry.path().filename().string());
    };
    auto start = [&] {
        const pid_t pid = fork();
        if (pid == 0) {
            const customers::ReplaceOutcome outcome = Replace(c);
            _exit(outcome.Ok() ? 0 : 1);
        }
        return pid;
    };
    // the run never interrupted, and how long it takes
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t whole = start();
    int status = 0;
    waitpid(whole, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
    const Snapshot after = Take(c.kind);
    ASSERT_FALSE(after == before);

    std::mt19937 random(20261211);
    // The kill window is the uninterrupted run's time; on a loaded machine
    // a run may take longer, so every ten kills that all came before the
    // commit double it.
    long window = runTime.count() + 2000;
    int oldSeen = 0, newSeen = 0;
    for (int kill = 0; kill < 80 && (kill < 40 || newSeen == 0 || oldSeen == 0); ++kill) {
        if (kill > 0 && kill % 10 == 0 && newSeen == 0)
            window *= 2;
        restore();
        const pid_t pid = start();
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long>(0, window)(random)));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        // the next opening of the company
        EXPECT_TRUE(customers::FinishCodeReplacement(Folder(data_).c_str()));
        const Snapshot now = Take(c.kind);
        const bool isOld = now == before, isNew = now == after;
        EXPECT_TRUE(isOld || isNew) << "kill " << kill;
        oldSeen += isOld ? 1 : 0;
        newSeen += isNew ? 1 : 0;
        EXPECT_FALSE(fs::exists(Folder(data_) + customers::kReplaceMarker));
    }
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

// A run stopped after its commit left copies to rename; one stopped before
// it left copies to throw away. The general file's run record tells which.
TEST_F(CodeReplaceTest, TheNextOpeningFinishesOrUndoesTheRenames)
{
    struct Row {
        const char* what;
        const char* committed;  // the run the general file names (null: none)
        const char* content;    // REG1.DB afterwards
    } rows[] = {
        {"committed: the copy replaces the file", "run-1", "new"},
        {"another run committed: the copy goes", "run-0", "old"},
        {"no run ever committed: the copy goes", nullptr, "old"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::General));
        CreateGeneralFile();
        if (row.committed != nullptr) {
            TagReplaceRunRecord r{};
            std::memcpy(r.Key, GENERAL_KEY_REPLACERUN, GENERAL_KEY_SIZE);
            std::snprintf(r.Run, sizeof r.Run, "%s", row.committed);
            PutGeneralRecord(&r, sizeof r);
        }
        const std::string target = Folder(data_) + "REG1.DB";
        std::ofstream(target) << "old";
        std::ofstream(target + ".RPL") << "new";
        std::ofstream(Folder(data_) + customers::kReplaceMarker) << "run run-1\n" << target << ".RPL\t" << target << "\n";
        EXPECT_TRUE(customers::FinishCodeReplacement(Folder(data_).c_str()));
        std::ifstream in(target);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), row.content);
        EXPECT_FALSE(fs::exists(target + ".RPL"));
        EXPECT_FALSE(fs::exists(Folder(data_) + customers::kReplaceMarker));
    }
}

}  // namespace
}  // namespace bwps::test
