// Data files as wholes (exists, in use, remove, rename, copy, list): the
// same answers in a local folder and in a server folder.
#include <fstream>

#include "multiproc.hpp"

using namespace rmtest;
using mp::Pipe;

namespace {

constexpr int kLen = 16;

class FileOps : public RecmanTest {
protected:
    // A file of `n` records (key 0: bytes 1-4 unique; key 1 supplemental on
    // bytes 5-8 with duplicates when `sup`), closed.
    void makeFile(const std::string& name, int n, bool sup = false) {
        uint16_t h = make(name, kLen, {{1, 4, KF_EXTENDED, KT_INTEGER}}, 1);
        if (sup) {
            auto block = segBlock({{5, 4, KF_DUPLICATES, 0}}, 0);
            ASSERT_EQ(BtrCreateSupIndex(h, int(block.size()), block.data()), 0);
        }
        for (int32_t i = 1; i <= n; ++i) {
            uint8_t r[kLen] = {};
            std::memcpy(r, &i, 4);
            std::memcpy(r + 4, i % 2 ? "odd " : "even", 4);
            ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r, kLen), 0);
        }
        ASSERT_EQ(BtrCloseFile(h), 0);
    }
    int count(const std::string& p) {
        uint16_t h = 0;
        if (BtrOpenFile(&h, p.c_str(), 0, 0)) return -1;
        const int n = BtrGetRecordCount(h);
        BtrCloseFile(h);
        return n;
    }
    // A child that opens the file and holds it until told.
    pid_t holder(const std::string& p, Pipe& ready, Pipe& go) {
        return mp::spawn([&, p]() -> int {
            uint16_t h = 0;
            if (BtrOpenFile(&h, p.c_str(), 0, 0)) return 10;
            ready.put('r');
            return go.get(30000) == 'g' ? 0 : 11;
        });
    }
};

TEST_F(FileOps, ExistsRemoveAndRenameGiveTheirStatuses) {
    makeFile("a.db", 3);
    makeFile("b.db", 1);
    EXPECT_EQ(RecmanFileExists(path("a.db").c_str()), 1);
    EXPECT_EQ(RecmanFileExists(path("none.db").c_str()), 0);

    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, path("a.db").c_str(), 0, 0), 0);
    struct Case {
        const char* what;
        int got;
        int want;
    } open[] = {
        {"remove of an open file", RecmanRemoveFile(path("a.db").c_str()), B_FILE_IN_USE},
        {"rename of an open file", RecmanRenameFile(path("a.db").c_str(), path("c.db").c_str()), B_FILE_IN_USE},
        {"rename onto an open file", RecmanRenameFile(path("b.db").c_str(), path("a.db").c_str()), B_FILE_IN_USE},
        {"in use by this process only", RecmanFileInUse(path("a.db").c_str()), 0},
        {"remove of a missing file", RecmanRemoveFile(path("none.db").c_str()), B_FILE_NOT_FOUND},
        {"rename of a missing file", RecmanRenameFile(path("none.db").c_str(), path("c.db").c_str()), B_FILE_NOT_FOUND},
    };
    for (const auto& c : open) EXPECT_EQ(c.got, c.want) << c.what;
    ASSERT_EQ(BtrCloseFile(h), 0);

    EXPECT_EQ(RecmanRenameFile(path("a.db").c_str(), path("b.db").c_str()), 0) << "replaces b";
    EXPECT_EQ(RecmanFileExists(path("a.db").c_str()), 0);
    EXPECT_EQ(count(path("b.db")), 3);
    EXPECT_EQ(RecmanRemoveFile(path("b.db").c_str()), 0);
    EXPECT_EQ(RecmanFileExists(path("b.db").c_str()), 0);
    EXPECT_EQ(BtrOpenFile(&h, path("b.db").c_str(), 0, 0), B_FILE_NOT_FOUND);
}

TEST_F(FileOps, AFileOpenInAnotherProcessIsInUseAndIsNeitherRemovedNorRenamed) {
    makeFile("a.db", 2);
    Pipe ready, go;
    const pid_t kid = holder(path("a.db"), ready, go);
    ASSERT_EQ(ready.get(), 'r');
    EXPECT_EQ(RecmanFileInUse(path("a.db").c_str()), 1);
    EXPECT_EQ(RecmanRemoveFile(path("a.db").c_str()), B_FILE_IN_USE);
    EXPECT_EQ(RecmanRenameFile(path("a.db").c_str(), path("c.db").c_str()), B_FILE_IN_USE);
    go.put('g');
    EXPECT_EQ(mp::reap(kid), 0);
    // a server sees the other connection end a moment later
    for (int i = 0; i < 200 && RecmanFileInUse(path("a.db").c_str()); ++i) ::usleep(10000);
    EXPECT_EQ(RecmanFileInUse(path("a.db").c_str()), 0);
    EXPECT_EQ(RecmanRemoveFile(path("a.db").c_str()), 0);
}

TEST_F(FileOps, ACopyHasTheSpecificationKeysAndRecords) {
    makeFile("a.db", 5, true);
    // a variable-length file with a record longer than a first read takes
    {
        auto spec = fileSpec(8, 1, FF_VARIABLE);
        auto keys = segBlock({{1, 4, KF_EXTENDED, KT_INTEGER}});
        ASSERT_EQ(BtrCreateFile(path("v.db").c_str(), spec.data(), keys.data()), 0);
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, path("v.db").c_str(), 0, 0), 0);
        std::vector<uint8_t> big(20000, 'x');
        int32_t id = 7;
        std::memcpy(big.data(), &id, 4);
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, big.data(), int(big.size())), 0);
        BtrCloseFile(h);
    }
    ASSERT_EQ(RecmanCopyFile(path("a.db").c_str(), path("a2.db").c_str()), 0);
    ASSERT_EQ(RecmanCopyFile(path("v.db").c_str(), path("v2.db").c_str()), 0);
    EXPECT_EQ(RecmanFileExists(path("a.db").c_str()), 1) << "the source stays";

    uint16_t a = 0, b = 0;
    ASSERT_EQ(BtrOpenFile(&a, path("a.db").c_str(), 0, 0), 0);
    ASSERT_EQ(BtrOpenFile(&b, path("a2.db").c_str(), 0, 0), 0);
    std::vector<uint8_t> sa(RECMAN_STAT_BUFFER), sb(RECMAN_STAT_BUFFER);
    ASSERT_EQ(BtrStat(a, sa.data()), 0);
    ASSERT_EQ(BtrStat(b, sb.data()), 0);
    EXPECT_EQ(sa, sb) << "specification, keys (the supplemental one too) and record count";
    // the supplemental key orders the copy as it orders the source
    ASSERT_EQ(BtrSetDefaults(b, 1, -1), 0);
    uint8_t r[kLen], key[4];
    std::vector<int32_t> order;
    for (int st = BtrGet(B_GET_FIRST, b, key, r, kLen); st == 0; st = BtrGet(B_GET_NEXT, b, key, r, kLen)) {
        int32_t id;
        std::memcpy(&id, r, 4);
        order.push_back(id);
    }
    EXPECT_EQ(order, (std::vector<int32_t>{2, 4, 1, 3, 5}));
    BtrCloseFile(a);
    BtrCloseFile(b);

    uint16_t v = 0;
    ASSERT_EQ(BtrOpenFile(&v, path("v2.db").c_str(), 0, 0), 0);
    std::vector<uint8_t> got(30000);
    int32_t id = 7;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, v, &id, got.data(), int(got.size())), 0);
    EXPECT_EQ(BtrCall218(v), 20000) << "the long record whole";
    BtrCloseFile(v);
}

TEST_F(FileOps, AListNamesTheDataFilesOfAFolderInOrder) {
    makeFile("b.db", 0);
    makeFile("a.db", 0);
    std::ofstream(dir_ / "notes.txt") << "not a data file\n";
    std::vector<std::string> names;
    ASSERT_EQ(RecmanListFiles(dir_.c_str(), [](const char* n, void* c) {
        static_cast<std::vector<std::string>*>(c)->push_back(n);
    }, &names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"a.db", "b.db"}));
}

// A file copied between a local folder and a server folder, both ways.
TEST_F(FileOps, AFileCopiedBetweenALocalFolderAndAServerFolderKeepsItsRecords) {
    if (!serverStore()) GTEST_SKIP() << "needs a server";
    const auto local = dir_ / "local";
    std::filesystem::create_directories(local);
    makeFile("a.db", 4, true);
    const std::string l = (local / "a.db").string();
    ASSERT_EQ(RecmanCopyFile(path("a.db").c_str(), l.c_str()), 0);
    EXPECT_EQ(count(l), 4);
    ASSERT_EQ(RecmanRemoveFile(path("a.db").c_str()), 0);
    ASSERT_EQ(RecmanRenameFile(l.c_str(), path("a.db").c_str()), 0);
    EXPECT_EQ(RecmanFileExists(l.c_str()), 0);
    EXPECT_EQ(count(path("a.db")), 4);
}

}  // namespace
