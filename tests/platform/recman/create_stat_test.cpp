// File creation, statistics, opening (also of damaged files), client block,
// ordinals and table objects.
#include "tests/support/privileges.h"
#include <sqlite3.h>

#include <fstream>

#include "recman_fixture.hpp"

using namespace rmtest;

namespace {

constexpr int kStatLen = RECMAN_STAT_BUFFER - 2;

struct CreateCase {
    const char* what;
    int recordLength;
    int pageSize;
    int byte4;
    std::vector<Seg> segs;
    int status;
    int keys;      // keys in the created file
    int segments;  // segments in the created file
};

TEST_F(RecmanTest, CreateCountsKeysStopsAtZeroSegmentAndRejectsBadSpecs) {
    const std::vector<CreateCase> cases = {
        {"two keys, first of two segments", 40, 4096, 2, {{1, 4, 0x10}, {5, 4, 0}, {9, 8, 1}}, 0, 2, 3},
        {"byte 4 holds the segment count", 40, 4096, 3, {{1, 4, 0x10}, {5, 4, 0}, {9, 8, 1}}, 0, 2, 3},
        {"byte 4 smaller than the keys given", 40, 4096, 1, {{1, 4, 0}, {9, 8, 1}}, 0, 1, 1},
        {"no keys at all", 40, 4096, 0, {}, 0, 0, 0},
        {"last key left open", 40, 4096, 2, {{1, 4, 0}, {9, 8, 0x10}}, B_INVALID_KEY_POSITION, 0, 0},
        {"segment past the record end", 40, 4096, 1, {{35, 8, 0}}, B_INVALID_KEY_POSITION, 0, 0},
        {"position 0", 40, 4096, 1, {{0, 8, 0}}, B_INVALID_KEY_POSITION, 0, 0},
        {"integer of width 3", 40, 4096, 1, {{1, 3, 0x100, KT_INTEGER}}, B_INVALID_KEY_LENGTH, 0, 0},
        {"float of width 2", 40, 4096, 1, {{1, 2, 0x100, KT_FLOAT}}, B_INVALID_KEY_LENGTH, 0, 0},
        {"unknown extended type", 40, 4096, 1, {{1, 4, 0x100, 3}}, B_INVALID_KEY_TYPE, 0, 0},
        {"page size not a multiple of 512", 40, 1000, 1, {{1, 4, 0}}, B_PAGE_SIZE_ERROR, 0, 0},
        {"record length 0", 0, 4096, 1, {{1, 4, 0}}, B_INVALID_RECORD_LENGTH, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto spec = fileSpec(c.recordLength, c.byte4, 0, c.pageSize);
        auto block = segBlock(c.segs, 64);
        const std::string p = path("c.db");
        std::filesystem::remove(p);
        ASSERT_EQ(BtrCreateFile(p.c_str(), spec.data(), block.data()), c.status);
        if (c.status) {
            EXPECT_FALSE(std::filesystem::exists(p)) << "a failed creation leaves no file";
            continue;
        }
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, p.c_str(), 0, 0), 0);
        uint8_t st[RECMAN_STAT_BUFFER];
        ASSERT_EQ(BtrStat(h, st), 0);
        EXPECT_EQ(st[4], c.keys);
        EXPECT_EQ(get16(st + kStatLen), 16 + 16 * c.segments);
        BtrCloseFile(h);
    }
}

TEST_F(RecmanTest, StatIsByteExactWithSegmentsCountAndCollatingSequence) {
    // key 0: integer at 1 (4) + string at 5 (6); key 1: string with the
    // alternate collating sequence, duplicates; key 2: descending float.
    const std::vector<Seg> segs = {{1, 4, 0x100 | 0x10, KT_INTEGER},
                                   {5, 6, 0},
                                   {11, 10, KF_DUPLICATES | KF_MODIFIABLE | KF_ALT_COLLATE},
                                   {21, 8, 0x100 | KF_DESCENDING | KF_DUPLICATES, KT_FLOAT}};
    uint16_t h = make("s.db", 32, segs, 3, FF_VARIABLE);
    uint8_t rec[32] = {};
    for (int i = 1; i <= 3; ++i) {
        std::memcpy(rec, &i, 4);
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, rec, 32), 0);
    }
    uint8_t st[RECMAN_STAT_BUFFER];
    std::memset(st, 0xEE, sizeof st);
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(get16(st), 32);
    EXPECT_EQ(get16(st + 2), 4096);
    EXPECT_EQ(st[4], 3);
    EXPECT_EQ(get32(st + 6), 3u);
    EXPECT_EQ(get16(st + 10), FF_VARIABLE);
    for (size_t i = 0; i < segs.size(); ++i) {
        const uint8_t* s = st + 16 + 16 * i;
        EXPECT_EQ(get16(s), segs[i].pos);
        EXPECT_EQ(get16(s + 2), segs[i].len);
        EXPECT_EQ(get16(s + 4), segs[i].flags);
        EXPECT_EQ(s[10], segs[i].type);
    }
    const int len = get16(st + kStatLen);
    ASSERT_EQ(len, 16 + 4 * 16 + 265);
    EXPECT_EQ((len - 16) % 2, 1) << "odd length tells that a collating sequence follows";
    uint8_t acs[265];
    ASSERT_EQ(BtrGetAltCollating(acs), 0);
    EXPECT_EQ(acs[0], 0xAC);
    EXPECT_EQ(std::memcmp(st + 16 + 64, acs, 265), 0);
    EXPECT_EQ(BtrGetRecordCount(h), 3);

    uint8_t info[1824];
    auto* k1 = static_cast<uint8_t*>(BtrGetKeyInfo(h, info, 1));
    ASSERT_EQ(k1, info + 16 + 2 * 16);
    EXPECT_EQ(get16(k1), 11);
    EXPECT_EQ(BtrGetKeyInfo(h, info, 3), nullptr);
}

TEST_F(RecmanTest, OpenGivesClearStatusesAndNeverCrashesOnForeignOrDamagedFiles) {
    RMTEST_LOCAL_ONLY();
    uint16_t h = 7;
    EXPECT_EQ(BtrOpenFile(&h, path("missing.db").c_str(), 0, 0), B_FILE_NOT_FOUND);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(BtrOpenFile(&h, path("nodir/x.db").c_str(), 0, 0), B_FILE_NOT_FOUND);
    EXPECT_EQ(BtrOpenFile(&h, nullptr, 0, 0), B_INVALID_FILE_NAME);
    EXPECT_EQ(BtrOpenFile(&h, dir_.c_str(), 0, 0), B_NOT_A_RECORD_FILE);

    std::ofstream(path("empty.db")).close();
    EXPECT_EQ(BtrOpenFile(&h, path("empty.db").c_str(), 0, 0), B_NOT_A_RECORD_FILE);
    std::ofstream(path("text.db")) << "this is a plain text file, not a data file\n";
    EXPECT_EQ(BtrOpenFile(&h, path("text.db").c_str(), 0, 0), B_NOT_A_RECORD_FILE);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path("foreign.db").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE t(a); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(BtrOpenFile(&h, path("foreign.db").c_str(), 0, 0), B_NOT_A_RECORD_FILE);

    // One of our files with its pages overwritten by garbage, past the header.
    {
        uint16_t g = make("damaged.db", 100, {{1, 8, 0}}, 1);
        uint8_t rec[100];
        for (int i = 0; i < 300; ++i) {
            std::snprintf(reinterpret_cast<char*>(rec), sizeof rec, "%08d", i);
            ASSERT_EQ(BtrWrite(B_INSERT, g, nullptr, rec, 100), 0);
        }
        BtrCloseFile(g);
    }
    {
        std::fstream f(path("damaged.db"), std::ios::in | std::ios::out | std::ios::binary);
        std::vector<char> junk(20000);
        for (size_t i = 0; i < junk.size(); ++i) junk[i] = char(i * 7919 % 251);
        f.seekp(120);
        f.write(junk.data(), std::streamsize(junk.size()));
    }
    const int st = BtrOpenFile(&h, path("damaged.db").c_str(), 0, 0);
    if (st == 0) {
        uint8_t rec[100], key[8];
        int r = BtrGet(B_GET_FIRST, h, key, rec, 100);
        for (int i = 0; i < 400 && r == 0; ++i) r = BtrGet(B_GET_NEXT, h, key, rec, 100);
        EXPECT_TRUE(r == B_IO_ERROR || r == B_NOT_A_RECORD_FILE) << r;
    } else {
        EXPECT_TRUE(st == B_IO_ERROR || st == B_NOT_A_RECORD_FILE) << st;
    }
}

// Runs without the super-user's rights (permission bits do not bind the
// super-user), in a forked child; it answers the number of the first check
// that failed.
TEST_F(RecmanTest, AReadOnlyFileOpensForReading) {
    RMTEST_LOCAL_ONLY();
    uint16_t h = make("ro.db", 8, {{1, 8, 0}}, 1);
    ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, const_cast<char*>("readonly"), 8), 0);
    BtrCloseFile(h);
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(dir_));
    std::filesystem::permissions(path("ro.db"), std::filesystem::perms::owner_read);
    const std::string file = path("ro.db");
    const std::string folder = dir_;
    const int failed = bwpstest::RunUnprivileged([&] {
        uint16_t ro = 0;
        if (BtrOpenFile(&ro, file.c_str(), 0, 0) != 0) return 1;
        char rec[8], key[8];
        if (BtrGet(B_GET_FIRST + B_LOCK_SINGLE_NOWAIT, ro, key, rec, 8) != 0) return 2;
        if (std::string(rec, 8) != "readonly") return 3;
        if (BtrWrite(B_UPDATE, ro, nullptr, rec, 8) != B_PERMISSION_ERROR) return 4;
        if (BtrWrite(B_INSERT, ro, nullptr, rec, 8) != B_PERMISSION_ERROR) return 5;
        BtrCloseFile(ro);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
        if (BtrOpenFile(&ro, file.c_str(), 0, 0) != 0) return 6;   // read-only folder too
        if (BtrGet(B_GET_FIRST, ro, key, rec, 8) != 0) return 7;
        BtrCloseFile(ro);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        return 0;
    });
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
    EXPECT_EQ(failed, 0);
}

TEST_F(RecmanTest, OneFileThroughSeveralHandlesEachWithItsOwnPositionAndKey) {
    uint16_t a = make("m.db", 8, {{1, 4, 0}, {5, 4, 1}}, 2);
    std::vector<uint16_t> hs;
    for (int mode : {0, 256, 512, 1024, -100}) {
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, path("m.db").c_str(), mode, 0), 0) << "mode " << mode;
        hs.push_back(h);
    }
    for (const char* r : {"aaaazzzz", "bbbbyyyy", "ccccxxxx"})
        ASSERT_EQ(BtrWrite(B_INSERT, a, nullptr, const_cast<char*>(r), 8), 0);
    char rec[9] = {}, key[8];
    ASSERT_EQ(BtrSetDefaults(hs[0], 1, -1), 0);
    ASSERT_EQ(BtrGet(B_GET_FIRST, hs[0], key, rec, 8), 0);
    EXPECT_STREQ(rec, "ccccxxxx");
    ASSERT_EQ(BtrGet(B_GET_FIRST, hs[1], key, rec, 8), 0);
    EXPECT_STREQ(rec, "aaaazzzz");
    ASSERT_EQ(BtrGet(B_GET_NEXT, hs[0], key, rec, 8), 0);
    EXPECT_STREQ(rec, "bbbbyyyy");
    int k = -1, second = -1;
    BtrGetDefaults(hs[1], &k, &second);
    EXPECT_EQ(k, 0);
    EXPECT_EQ(BtrCloseFile(hs[2]), 0);
    EXPECT_EQ(BtrCloseFile(hs[2]), B_FILE_NOT_OPEN);
    EXPECT_EQ(BtrGet(B_GET_NEXT, hs[1], key, rec, 8), 0) << "the other handles stay open";
}

TEST_F(RecmanTest, AClosedDataFileIsOneFileThatCanBeCopiedAndRenamed) {
    RMTEST_LOCAL_ONLY();
    uint16_t h = make("one.db", 8, {{1, 8, 0}}, 1);
    for (const char* r : {"first   ", "second  "})
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, const_cast<char*>(r), 8), 0);
    ASSERT_EQ(BtrCloseFile(h), 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"one.db"});
    std::filesystem::copy_file(path("one.db"), path("copy.db"));
    std::filesystem::rename(path("one.db"), path("moved.db"));
    for (const char* name : {"copy.db", "moved.db"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(BtrOpenFile(&h, path(name).c_str(), 0, 0), 0);
        char rec[8], key[8];
        ASSERT_EQ(BtrGet(B_GET_LAST, h, key, rec, 8), 0);
        EXPECT_EQ(std::string(rec, 8), "second  ");
        EXPECT_EQ(BtrGetRecordCount(h), 2);
        BtrCloseFile(h);
    }
}

TEST_F(RecmanTest, CreateReplacesAClosedFileButNotAnOpenOne) {
    RMTEST_LOCAL_ONLY();
    uint16_t h = make("r.db", 8, {{1, 8, 0}}, 1);
    char rec[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, rec, 8), 0);
    auto spec = fileSpec(8, 1);
    auto block = segBlock({{1, 8, 0}});
    EXPECT_EQ(BtrCreateFile(path("r.db").c_str(), spec.data(), block.data()), B_FILE_IN_USE);
    EXPECT_EQ(BtrGetRecordCount(h), 1);
    BtrCloseFile(h);
    ASSERT_EQ(BtrCreateFile(path("r.db").c_str(), spec.data(), block.data()), 0);
    ASSERT_EQ(BtrOpenFile(&h, path("r.db").c_str(), 0, 0), 0);
    EXPECT_EQ(BtrGetRecordCount(h), 0);

    // a file renamed over one that is still open waits until that one closes
    ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, rec, 8), 0);
    ASSERT_EQ(BtrCreateFile(path("new.db").c_str(), spec.data(), block.data()), 0);
    std::filesystem::rename(path("new.db"), path("r.db"));
    uint16_t h2 = 0;
    EXPECT_EQ(BtrOpenFile(&h2, (dir_.string() + "/./r.db").c_str(), 0, 0), B_FILE_IN_USE);
    EXPECT_EQ(BtrCreateFile(path("r.db").c_str(), spec.data(), block.data()), B_FILE_IN_USE);
    EXPECT_EQ(BtrGetRecordCount(h), 1) << "the old file goes on for its handle";
    BtrCloseFile(h);
    ASSERT_EQ(BtrOpenFile(&h2, path("r.db").c_str(), 0, 0), 0);
    EXPECT_EQ(BtrGetRecordCount(h2), 0);
}

TEST_F(RecmanTest, ClientBlockIsKeptAndAZeroBlockEndsTheSession) {
    uint8_t block[RECMAN_CLIENT_BLOCK] = {};
    std::strcpy(reinterpret_cast<char*>(block + 432), "/data/company");
    block[868] = 1;
    ASSERT_EQ(BtrSetClientConfig(block), 0);
    uint16_t h = make("z.db", 8, {{1, 8, 0}}, 1);
    uint8_t back[RECMAN_CLIENT_BLOCK];
    ASSERT_EQ(BtrGetClientConfig(back), 0);
    EXPECT_EQ(std::memcmp(block, back, sizeof block), 0);
    EXPECT_EQ(BtrGetRecordCount(h), 0) << "a non-zero block leaves the handles open";
    std::memset(block, 0, sizeof block);
    ASSERT_EQ(BtrSetClientConfig(block), 0);
    EXPECT_EQ(BtrGetRecordCount(h), -1);
    char rec[8];
    EXPECT_EQ(BtrGet(B_GET_FIRST, h, rec, rec, 8), B_FILE_NOT_OPEN);
}

TEST_F(RecmanTest, EveryOrdinalGivesItsCall) {
    const std::vector<std::pair<int, void*>> table = {
        {1, (void*)&BtrCreateFile},        {2, (void*)&BtrGetAltCollating},  {102, (void*)&BtrGetVersion},
        {200, (void*)&BtrSetClientConfig}, {201, (void*)&BtrGetClientConfig}, {202, (void*)&BtrOpenFile},
        {203, (void*)&BtrCloseFile},       {205, (void*)&BtrGet},             {206, (void*)&BtrPosition},
        {207, (void*)&BtrSetDefaults},     {208, (void*)&BtrUnlock},          {209, (void*)&BtrWrite},
        {210, (void*)&BtrDropSupIndex},    {211, (void*)&BtrCall211},         {212, (void*)&BtrCall212},
        {213, (void*)&BtrStat},            {216, (void*)&BtrCreateSupIndex},  {217, (void*)&BtrGetDefaults},
        {218, (void*)&BtrCall218},         {219, (void*)&BtrGetRecordCount},  {220, (void*)&BtrLockDelay},
        {227, (void*)&BtrGetKeyInfo},      {300, (void*)&BtrTableCreate},     {301, (void*)&BtrTableOpen},
        {303, (void*)&BtrTableClose},      {304, (void*)&BtrTableFree},
    };
    for (const auto& [n, fn] : table) EXPECT_EQ(RecmanOrdinal(n), fn) << "ordinal " << n;
    for (int n : {0, 3, 204, 214, 299, 305}) EXPECT_EQ(RecmanOrdinal(n), nullptr) << "ordinal " << n;
    // called through the ordinal, as the callers do
    auto open = reinterpret_cast<int (*)(uint16_t*, const char*, int, int)>(RecmanOrdinal(202));
    uint16_t h = 0;
    EXPECT_EQ(open(&h, path("none.db").c_str(), 0, 0), B_FILE_NOT_FOUND);
}

TEST_F(RecmanTest, TableObjectOpensAFileForStat) {
    uint16_t h = make("cust.db", 795, {{1, 11, 0}}, 1);
    BtrCloseFile(h);
    EXPECT_EQ(BtrTableCreate(0, 255), nullptr);
    RecmanTable* t = BtrTableCreate(718, 255);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(BtrTableOpen(t, path("nothere.db").c_str()), B_FILE_NOT_FOUND);
    ASSERT_EQ(BtrTableOpen(t, path("cust.db").c_str()), 0);
    uint8_t st[RECMAN_STAT_BUFFER];
    ASSERT_EQ(BtrStat(BtrTableHandle(t), st), 0);
    EXPECT_EQ(get16(st), 795);
    EXPECT_EQ(BtrTableClose(t), 0);
    EXPECT_EQ(BtrTableHandle(t), 0);
    BtrTableFree(t);
}

}  // namespace
