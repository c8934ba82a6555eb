// Reads by key and by position, writes, positioning after writes,
// variable-length records and supplemental keys.
#include <functional>

#include "recman_fixture.hpp"

using namespace rmtest;

namespace {

#pragma pack(push, 1)
struct Rec {
    int32_t num;   // key 0: integer, duplicates, modifiable
    char tag[4];   // key 1: string, unique
    char pad[8];
};
#pragma pack(pop)
static_assert(sizeof(Rec) == 16);

Rec rec(int n, const char* tag) {
    Rec r{};
    r.num = n;
    std::memcpy(r.tag, tag, 4);
    std::memset(r.pad, '.', sizeof r.pad);
    return r;
}

std::string tagOf(const Rec& r) { return std::string(r.tag, 4); }

class Keyed : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        h = make("k.db", 16, {{1, 4, 0x100 | KF_DUPLICATES | KF_MODIFIABLE, KT_INTEGER}, {5, 4, 0}}, 2);
        for (auto r : {rec(10, "AAAA"), rec(20, "BBBB"), rec(20, "CCCC"), rec(30, "DDDD")})
            ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, &r, 16), 0);
    }
    uint16_t h = 0;
};

TEST_F(Keyed, KeyedGetsFindTheRightRecordAndGiveBackItsKey) {
    struct Case {
        int op;
        int key;
        int status;
        const char* tag;
    };
    const Case cases[] = {
        {B_GET_EQUAL, 20, 0, "BBBB"},  {B_GET_EQUAL, 25, B_KEY_NOT_FOUND, nullptr},
        {B_GET_GREATER, 20, 0, "DDDD"}, {B_GET_GREATER, 30, B_END_OF_FILE, nullptr},
        {B_GET_GE, 20, 0, "BBBB"},      {B_GET_GE, 25, 0, "DDDD"},
        {B_GET_GE, 31, B_END_OF_FILE, nullptr}, {B_GET_LESS, 20, 0, "AAAA"},
        {B_GET_LESS, 10, B_END_OF_FILE, nullptr}, {B_GET_LE, 20, 0, "CCCC"},
        {B_GET_LE, 25, 0, "CCCC"},      {B_GET_LE, 9, B_END_OF_FILE, nullptr},
        {B_GET_FIRST, 0, 0, "AAAA"},    {B_GET_LAST, 0, 0, "DDDD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "op " << c.op << " key " << c.key);
        int32_t key = c.key;
        Rec r{};
        ASSERT_EQ(BtrGet(c.op, h, &key, &r, 16), c.status);
        if (c.status) continue;
        EXPECT_EQ(tagOf(r), c.tag);
        EXPECT_EQ(key, r.num) << "the key buffer holds the key of the record read";
    }
}

TEST_F(Keyed, NextAndPreviousWalkBothWaysWithDuplicatesInInsertionOrder) {
    int32_t key = 0;
    Rec r{};
    std::string fwd, back;
    for (int st = BtrGet(B_GET_FIRST, h, &key, &r, 16); st == 0; st = BtrGet(B_GET_NEXT, h, &key, &r, 16))
        fwd += tagOf(r)[0];
    EXPECT_EQ(BtrGet(B_GET_NEXT, h, &key, &r, 16), B_END_OF_FILE);
    for (int st = BtrGet(B_GET_LAST, h, &key, &r, 16); st == 0; st = BtrGet(B_GET_PREVIOUS, h, &key, &r, 16))
        back += tagOf(r)[0];
    EXPECT_EQ(fwd, "ABCD");
    EXPECT_EQ(back, "DCBA");
    uint16_t fresh = 0;
    ASSERT_EQ(BtrOpenFile(&fresh, path("k.db").c_str(), 0, 0), 0);
    EXPECT_EQ(BtrGet(B_GET_NEXT, fresh, &key, &r, 16), B_INVALID_POSITIONING);
    EXPECT_EQ(BtrSetDefaults(fresh, 2, -1), B_INVALID_KEY_NUMBER);
}

TEST_F(Keyed, LengthZeroMeansTheRecordLengthAndShortBuffersGetAPrefix) {
    uint8_t buf[32];
    std::memset(buf, 0x5A, sizeof buf);
    int32_t key = 10;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, buf, 0), 0);
    EXPECT_EQ(buf[15], '.');
    EXPECT_EQ(buf[16], 0x5A) << "nothing written past the record";
    EXPECT_EQ(BtrCall218(h), 16);
    std::memset(buf, 0x5A, sizeof buf);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, buf, 6), 0);
    EXPECT_EQ(buf[4], 'A');
    EXPECT_EQ(buf[6], 0x5A);
    EXPECT_EQ(BtrCall218(h), 6);
}

TEST_F(Keyed, PositionsGetDirectAndStepsFollowPhysicalOrder) {
    int32_t key = 30;
    Rec r{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, &r, 16), 0);
    uint32_t pos = 0, pos2 = 0;
    ASSERT_EQ(BtrGet(B_GET_POSITION, h, &key, &pos, 16), 0);
    ASSERT_EQ(BtrPosition(B_GET_DIRECT, h, &pos2), 0);
    EXPECT_EQ(pos, pos2);

    // other records come and go; the position still finds the record
    key = 10;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, &r, 16), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, h, nullptr, nullptr, 0), 0);
    Rec e = rec(5, "EEEE");
    ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, &e, 16), 0);
    Rec buf{};
    std::memcpy(&buf, &pos, 4);
    key = -1;
    ASSERT_EQ(BtrGet(B_GET_DIRECT, h, &key, &buf, 16), 0);
    EXPECT_EQ(tagOf(buf), "DDDD");
    EXPECT_EQ(key, 30);
    EXPECT_EQ(BtrGet(B_GET_PREVIOUS, h, &key, &buf, 16), 0) << "get direct sets the position in the key";
    EXPECT_EQ(tagOf(buf), "CCCC");
    // BtrPosition 0 returns to a stored position
    ASSERT_EQ(BtrPosition(0, h, &pos), 0);
    EXPECT_EQ(BtrGet(B_GET_NEXT, h, &key, &buf, 16), B_END_OF_FILE);
    uint32_t gone = 9999;
    EXPECT_EQ(BtrPosition(0, h, &gone), B_INVALID_RECORD_ADDRESS);
    std::memcpy(&buf, &gone, 4);
    EXPECT_EQ(BtrGet(B_GET_DIRECT, h, &key, &buf, 16), B_INVALID_RECORD_ADDRESS);

    // steps: insertion order (B C D E), the key buffer untouched
    std::string order;
    char kb[4] = {'k', 'k', 'k', 'k'};
    for (int st = BtrGet(B_STEP_FIRST, h, kb, &buf, 16); st == 0; st = BtrGet(B_STEP_NEXT, h, kb, &buf, 16))
        order += tagOf(buf)[0];
    EXPECT_EQ(order, "BCDE");
    EXPECT_EQ(std::string(kb, 4), "kkkk");
    order.clear();
    for (int st = BtrGet(B_STEP_LAST, h, kb, &buf, 16); st == 0; st = BtrGet(B_STEP_PREVIOUS, h, kb, &buf, 16))
        order += tagOf(buf)[0];
    EXPECT_EQ(order, "EDCB");
}

TEST_F(Keyed, ASequentialRunSeesWritesMadeMeanwhile) {
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, path("k.db").c_str(), 0, 0), 0);
    int32_t key = 0;
    Rec r{};
    std::string seen;
    ASSERT_EQ(BtrGet(B_GET_FIRST, h, &key, &r, 16), 0);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(BtrGet(B_GET_NEXT, h, &key, &r, 16), 0);
        seen += tagOf(r)[0];
    }
    // a record enters right after the current one, another one changes
    Rec e = rec(25, "EEEE");
    ASSERT_EQ(BtrWrite(B_INSERT, other, nullptr, &e, 16), 0);
    key = 30;
    Rec d{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, other, &key, &d, 16), 0);
    d.pad[0] = '!';
    ASSERT_EQ(BtrWrite(B_UPDATE, other, nullptr, &d, 16), 0);
    while (BtrGet(B_GET_NEXT, h, &key, &r, 16) == 0) {
        seen += tagOf(r)[0];
        if (tagOf(r) == "DDDD") {
            EXPECT_EQ(r.pad[0], '!');
        }
    }
    EXPECT_EQ(seen, "BCED");
    // and the same for steps in physical order
    seen.clear();
    ASSERT_EQ(BtrGet(B_STEP_FIRST, h, &key, &r, 16), 0);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(BtrGet(B_STEP_NEXT, h, &key, &r, 16), 0);
        seen += tagOf(r)[0];
    }
    ASSERT_EQ(BtrWrite(B_DELETE, other, nullptr, nullptr, 0), 0);  // other stands on DDDD
    while (BtrGet(B_STEP_NEXT, h, &key, &r, 16) == 0) seen += tagOf(r)[0];
    EXPECT_EQ(seen, "BCE") << "the deleted record is not served";
}

TEST_F(Keyed, WhatFollowsARunOfNextActsOnTheRecordReadLast) {
    // From the third get next on, a run is served from rows read ahead; a
    // write, a change of key or a move that follows must start from the
    // record read last (CCCC), never from one read before it.
    struct Case {
        const char* what;
        std::function<int(Rec&)> act;
        int status;
        int then;            // the move that follows
        const char* expect;  // nullptr: end of file
    };
    const Case cases[] = {
        {"update of the other fields", [&](Rec& r) { r.pad[0] = '!'; return BtrWrite(B_UPDATE, h, nullptr, &r, 16); },
         0, B_GET_NEXT, "DDDD"},
        {"update of the unique tag", [&](Rec& r) { r.tag[0] = 'Z'; return BtrWrite(B_UPDATE, h, nullptr, &r, 16); },
         B_MODIFIABLE_KEY_CHANGED, B_GET_PREVIOUS, "BBBB"},
        {"update moving the current key", [&](Rec& r) { r.num = 35; return BtrWrite(B_UPDATE, h, nullptr, &r, 16); },
         0, B_GET_PREVIOUS, "DDDD"},
        {"change of key", [&](Rec&) { return BtrSetDefaults(h, 1, -1); }, 0, B_GET_PREVIOUS, "BBBB"},
        {"delete", [&](Rec&) { return BtrWrite(B_DELETE, h, nullptr, nullptr, 0); }, 0, B_GET_NEXT, "DDDD"},
        {"nothing", [&](Rec&) { return 0; }, 0, B_GET_NEXT, "DDDD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecmanReset();
        std::filesystem::remove(path("k.db"));
        SetUp();
        int32_t key = 0;
        Rec r{};
        ASSERT_EQ(BtrGet(B_GET_FIRST, h, &key, &r, 16), 0);
        for (int i = 0; i < 2; ++i) ASSERT_EQ(BtrGet(B_GET_NEXT, h, &key, &r, 16), 0);
        ASSERT_EQ(tagOf(r), "CCCC");
        EXPECT_EQ(c.act(r), c.status);
        const int st = BtrGet(c.then, h, &key, &r, 16);
        if (!c.expect) {
            EXPECT_EQ(st, B_END_OF_FILE);
        } else {
            ASSERT_EQ(st, 0);
            EXPECT_EQ(tagOf(r), c.expect);
        }
    }
}

TEST_F(Keyed, WriteErrors) {
    // unique key clash on insert and on update
    Rec dup = rec(99, "BBBB");
    EXPECT_EQ(BtrWrite(B_INSERT, h, nullptr, &dup, 16), B_DUPLICATE_KEY);
    EXPECT_EQ(BtrGetRecordCount(h), 4);
    int32_t key = 10;
    Rec r{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, &r, 16), 0);
    std::memcpy(r.tag, "CCCC", 4);
    ASSERT_EQ(BtrSetDefaults(h, 1, -1), 0);
    // key 1 is not modifiable: changing it gives 10 before any clash
    EXPECT_EQ(BtrWrite(B_UPDATE, h, nullptr, &r, 16), B_MODIFIABLE_KEY_CHANGED);
    // no current record
    uint16_t fresh = 0;
    ASSERT_EQ(BtrOpenFile(&fresh, path("k.db").c_str(), 0, 0), 0);
    EXPECT_EQ(BtrWrite(B_UPDATE, fresh, nullptr, &r, 16), B_INVALID_POSITIONING);
    EXPECT_EQ(BtrWrite(B_DELETE, fresh, nullptr, nullptr, 0), B_INVALID_POSITIONING);
    ASSERT_EQ(BtrGet(B_GET_FIRST, fresh, &key, &r, 16), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, fresh, nullptr, nullptr, 0), 0);
    EXPECT_EQ(BtrWrite(B_DELETE, fresh, nullptr, nullptr, 0), B_INVALID_POSITIONING);
    EXPECT_EQ(BtrWrite(B_UPDATE, fresh, nullptr, &r, 16), B_INVALID_POSITIONING);
    EXPECT_EQ(BtrWrite(7, fresh, nullptr, &r, 16), B_INVALID_OPERATION);
    EXPECT_EQ(BtrGet(B_GET_FIRST, 999, &key, &r, 16), B_FILE_NOT_OPEN);
}

TEST_F(Keyed, ModifiableKeyUpdateRepositionsOnTheNewValue) {
    int32_t key = 20;
    Rec r{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, &r, 16), 0);  // BBBB
    r.num = 35;
    key = 0;
    ASSERT_EQ(BtrWrite(B_UPDATE, h, &key, &r, 16), 0);
    EXPECT_EQ(key, 35) << "the key buffer gets the new key";
    ASSERT_EQ(BtrGet(B_GET_NEXT, h, &key, &r, 0), B_END_OF_FILE);
    ASSERT_EQ(BtrGet(B_GET_PREVIOUS, h, &key, &r, 0), 0) << "end of file leaves the position on BBBB";
    EXPECT_EQ(tagOf(r), "DDDD");
    ASSERT_EQ(BtrGet(B_GET_PREVIOUS, h, &key, &r, 0), 0);
    EXPECT_EQ(tagOf(r), "CCCC");
}

TEST_F(Keyed, NextAfterDeleteContinuesWithTheFollower) {
    struct Case {
        int deleteNum;
        const char* deleteTag;
        int op;
        const char* expect;  // nullptr: end of file
    };
    const Case cases[] = {
        {20, "BBBB", B_GET_NEXT, "CCCC"},     {20, "BBBB", B_GET_PREVIOUS, "AAAA"},
        {20, "CCCC", B_GET_NEXT, "DDDD"},     {20, "CCCC", B_GET_PREVIOUS, "BBBB"},
        {30, "DDDD", B_GET_NEXT, nullptr},    {10, "AAAA", B_GET_PREVIOUS, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "delete " << c.deleteTag << " then op " << c.op);
        RecmanReset();
        std::filesystem::remove(path("k.db"));
        SetUp();
        ASSERT_EQ(BtrSetDefaults(h, 0, -1), 0);
        int32_t key = c.deleteNum;
        Rec r{};
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, &r, 16), 0);
        while (tagOf(r) != c.deleteTag) ASSERT_EQ(BtrGet(B_GET_NEXT, h, &key, &r, 16), 0);
        ASSERT_EQ(BtrWrite(B_DELETE, h, &key, &r, 16), 0);
        const int st = BtrGet(c.op, h, &key, &r, 16);
        if (!c.expect) {
            EXPECT_EQ(st, B_END_OF_FILE);
        } else {
            ASSERT_EQ(st, 0);
            EXPECT_EQ(tagOf(r), c.expect);
        }
    }
}

TEST_F(RecmanTest, AutoincrementAssignsHighestPlusOneAndKeepsGivenValues) {
    uint16_t h = make("a.db", 12, {{1, 4, 0x100, KT_AUTOINC}}, 1);
    struct Step {
        int32_t given;
        int status;
        int32_t stored;
    };
    const Step plan[] = {{0, 0, 1}, {0, 0, 2}, {10, 0, 10}, {0, 0, 11}, {5, 0, 5}, {10, B_DUPLICATE_KEY, 0},
                         {0, 0, 12}};
    for (const auto& s : plan) {
        SCOPED_TRACE(s.given);
        uint8_t r[12] = {};
        std::memcpy(r, &s.given, 4);
        int32_t key = -1;
        ASSERT_EQ(BtrWrite(B_INSERT, h, &key, r, 12), s.status);
        if (s.status) continue;
        int32_t v;
        std::memcpy(&v, r, 4);
        EXPECT_EQ(v, s.stored) << "the data buffer gets the assigned value";
        EXPECT_EQ(key, s.stored);
    }
}

TEST_F(RecmanTest, PartialKeysSearchByLeadingSegments) {
    // key 0: string(4) + signed integer(2); key 1: string(6)
    uint16_t h = make("p.db", 12, {{1, 4, 0x10}, {5, 2, 0x100, KT_INTEGER}, {7, 6, 0}}, 2);
    auto put = [&](const char* s, int16_t n, const char* t) {
        uint8_t r[12] = {};
        std::memcpy(r, s, 4);
        std::memcpy(r + 4, &n, 2);
        std::memcpy(r + 6, t, 6);
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r, 12), 0);
    };
    put("AAAA", 5, "ab0001");
    put("BBBB", -3, "ab0002");
    put("BBBB", 7, "ac0000");
    put("CCCC", 1, "b00000");
    struct Case {
        int key;
        std::vector<uint8_t> search;
        int op;
        int status;
        const char* expect;  // the 6-byte text of the record found
    };
    auto k0 = [](const char* s, int16_t n) {
        std::vector<uint8_t> v(s, s + 4);
        v.push_back(uint8_t(n));
        v.push_back(uint8_t(n >> 8));
        return v;
    };
    auto k1 = [](const char* s, size_t n) {
        std::vector<uint8_t> v(6, 0);
        std::memcpy(v.data(), s, n);
        return v;
    };
    const Case cases[] = {
        // the zero tail is the integer 0: the -3 record sorts below it
        {0, k0("BBBB", 0), B_GET_GE, 0, "ac0000"},
        {0, k0("BBBB", -32768), B_GET_GE, 0, "ab0002"},
        {0, k0("BBBB", 0), B_GET_EQUAL, B_KEY_NOT_FOUND, nullptr},
        {0, k0("BBBB", 7), B_GET_EQUAL, 0, "ac0000"},
        {1, k1("ab", 2), B_GET_GE, 0, "ab0001"},
        {1, k1("ac", 2), B_GET_GE, 0, "ac0000"},
        {1, k1("ab", 2), B_GET_EQUAL, B_KEY_NOT_FOUND, nullptr},
        {1, k1("ab", 2), B_GET_LESS, B_END_OF_FILE, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " op " << c.op);
        ASSERT_EQ(BtrSetDefaults(h, c.key, -1), 0);
        std::vector<uint8_t> kb = c.search;
        kb.resize(16, 0);
        uint8_t r[12];
        ASSERT_EQ(BtrGet(c.op, h, kb.data(), r, 12), c.status);
        if (!c.status) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 6), 6), c.expect);
        }
    }
}

TEST_F(RecmanTest, VariableLengthRecordsKeepTheirLengthAndAShortReaderKeepsTheTail) {
    uint16_t h = make("g.db", 16, {{1, 16, 0}}, 1, FF_VARIABLE);
    auto record = [](const char* key, size_t len) {
        std::vector<uint8_t> r(len);
        for (size_t i = 0; i < len; ++i) r[i] = uint8_t('a' + i % 26);
        std::memset(r.data(), ' ', 15);
        std::memcpy(r.data(), key, std::strlen(key));
        r[15] = 0;
        return r;
    };
    const std::pair<const char*, size_t> rows[] = {{"0Small", 20}, {"0Mid", 526}, {"0TransInfo", 1246}};
    for (auto [k, n] : rows) {
        auto r = record(k, n);
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r.data(), int(n)), 0);
    }
    std::vector<uint8_t> too = record("0Short", 16);
    EXPECT_EQ(BtrWrite(B_INSERT, h, nullptr, too.data(), 10), B_DATA_BUFFER_TOO_SHORT)
        << "shorter than the fixed part";

    std::vector<uint8_t> buf(4096);
    char key[16] = {};
    for (auto [k, n] : rows) {
        SCOPED_TRACE(k);
        std::memset(key, ' ', 15);
        std::memcpy(key, k, std::strlen(k));
        key[15] = 0;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, buf.data(), 4096), 0);
        EXPECT_EQ(BtrCall218(h), int(n));
        EXPECT_EQ(std::memcmp(buf.data(), record(k, n).data(), n), 0);
    }

    // a 526-byte reader of the 1246-byte record updates what it knows
    std::memset(key, ' ', 15);
    std::memcpy(key, "0TransInfo", 10);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, buf.data(), 526), 0);
    EXPECT_EQ(BtrCall218(h), 526);
    buf[100] = '#';
    ASSERT_EQ(BtrWrite(B_UPDATE, h, key, buf.data(), 526), 0);
    std::vector<uint8_t> back(4096);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, back.data(), 4096), 0);
    ASSERT_EQ(BtrCall218(h), 1246);
    auto want = record("0TransInfo", 1246);
    want[100] = '#';
    EXPECT_EQ(std::memcmp(back.data(), want.data(), 1246), 0);

    // back to a stored position: the caller's buffer may be partial
    uint32_t pos = 0;
    ASSERT_EQ(BtrPosition(B_GET_DIRECT, h, &pos), 0);
    ASSERT_EQ(BtrGet(B_GET_FIRST, h, key, buf.data(), 4096), 0);
    ASSERT_EQ(BtrPosition(0, h, &pos), 0);
    ASSERT_EQ(BtrWrite(B_UPDATE, h, key, want.data(), 526), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, back.data(), 4096), 0);
    ASSERT_EQ(BtrCall218(h), 1246);

    // a reader that saw the whole record writes the length it gives
    ASSERT_EQ(BtrWrite(B_UPDATE, h, key, back.data(), 40), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, back.data(), 4096), 0);
    EXPECT_EQ(BtrCall218(h), 40);
    std::vector<uint8_t> longer = record("0TransInfo", 3000);
    ASSERT_EQ(BtrWrite(B_UPDATE, h, key, longer.data(), 3000), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, back.data(), 4096), 0);
    EXPECT_EQ(BtrCall218(h), 3000);
    EXPECT_EQ(BtrWrite(B_UPDATE, h, key, longer.data(), 8), B_DATA_BUFFER_TOO_SHORT);
}

TEST_F(Keyed, SupplementalKeysAreAddedUsableAtOnceAndDropped) {
    // supplemental key over pad byte 8..11 (all '.') + tag: descending tag
    auto block = segBlock({{5, 4, KF_DUPLICATES | KF_MODIFIABLE | KF_DESCENDING}}, 0);
    ASSERT_EQ(BtrCreateSupIndex(h, int(block.size()), block.data()), 0);
    int key = -1, second = -1;
    ASSERT_EQ(BtrGetDefaults(h, &key, &second), 0);
    EXPECT_EQ(key, 2) << "the next free key, selected";
    Rec r{};
    char kb[4];
    ASSERT_EQ(BtrGet(B_GET_FIRST, h, kb, &r, 16), 0);
    EXPECT_EQ(tagOf(r), "DDDD");
    Rec z = rec(1, "ZZZZ");
    ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, &z, 16), 0);
    ASSERT_EQ(BtrGet(B_GET_FIRST, h, kb, &r, 16), 0);
    EXPECT_EQ(tagOf(r), "ZZZZ") << "new records enter the new key";

    uint8_t st[RECMAN_STAT_BUFFER];
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(st[4], 3);
    EXPECT_EQ(get16(st + 16 + 2 * 16 + 4) & KF_SUPPLEMENTAL, KF_SUPPLEMENTAL);

    // the same block again gives the same key; a unique key over duplicate
    // values is refused and leaves the file as it was
    ASSERT_EQ(BtrSetDefaults(h, 0, -1), 0);
    ASSERT_EQ(BtrCreateSupIndex(h, int(block.size()), block.data()), 0);
    BtrGetDefaults(h, &key, nullptr);
    EXPECT_EQ(key, 2);
    auto unique = segBlock({{1, 4, 0x100, KT_INTEGER}}, 0);
    EXPECT_EQ(BtrCreateSupIndex(h, int(unique.size()), unique.data()), B_DUPLICATE_KEY);
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(st[4], 3);

    // a second supplemental key, then the drops: 210 by number, 211 on the
    // selected key; a key of the file itself cannot be dropped
    auto second2 = segBlock({{9, 4, KF_DUPLICATES | KF_MODIFIABLE}}, 0);
    ASSERT_EQ(BtrCreateSupIndex(h, int(second2.size()), second2.data()), 0);
    BtrGetDefaults(h, &key, nullptr);
    EXPECT_EQ(key, 3);
    EXPECT_EQ(BtrDropSupIndex(h, 1), B_NOT_ALLOWED);
    ASSERT_EQ(BtrDropSupIndex(h, 2), 0);
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(st[4], 3);
    EXPECT_EQ(get16(st + 16 + 2 * 16), 9) << "the key above moved down";
    BtrGetDefaults(h, &key, nullptr);
    EXPECT_EQ(key, 2) << "the selected key follows its renumbering";
    ASSERT_EQ(BtrCall211(h), 0);
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(st[4], 2);
    EXPECT_EQ(BtrCall212(h), 0);
    EXPECT_EQ(BtrGetRecordCount(h), 5);

    // dropping survives closing: a reopened file has two keys
    RecmanReset();
    uint16_t again = 0;
    ASSERT_EQ(BtrOpenFile(&again, path("k.db").c_str(), 0, 0), 0);
    ASSERT_EQ(BtrStat(again, st), 0);
    EXPECT_EQ(st[4], 2);
}

// What the data utilities do with a file: drop its supplemental keys walking
// the statistics block from the last segment back, and rebuild it into a new
// file made from its own statistics, copying each record with its length.
TEST_F(RecmanTest, StatisticsDriveIndexDropAndRebuild) {
    uint16_t h = make("v.db", 20, {{1, 8, KF_ALT_COLLATE | 0x10}, {9, 2, 0x100 | KF_DUPLICATES, KT_INTEGER}, {11, 4, 1}},
                      2, FF_VARIABLE);
    std::vector<std::vector<uint8_t>> recs;
    for (int i = 0; i < 5; ++i) {
        std::vector<uint8_t> r(size_t(20 + i * 300), uint8_t('a' + i));
        std::memcpy(r.data(), i % 2 ? "Mixed   " : "mixed   ", 8);
        r[8] = uint8_t(i);
        r[9] = 0;
        recs.push_back(r);
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r.data(), int(r.size())), 0);
    }
    for (int col : {15, 17}) {
        auto block = segBlock({{col, 2, KF_DUPLICATES | KF_MODIFIABLE}}, 0);
        ASSERT_EQ(BtrCreateSupIndex(h, int(block.size()), block.data()), 0);
    }

    // the rebuild: keys up to the first supplemental one
    uint8_t st[RECMAN_STAT_BUFFER];
    ASSERT_EQ(BtrStat(h, st), 0);
    int len = get16(st + RECMAN_STAT_BUFFER - 2);
    ASSERT_EQ((len - 16) % 2, 1);
    int segs = (len - 16 - 265) / 16;
    ASSERT_EQ(segs, 5);
    std::vector<uint8_t> spec(st, st + 16), keys;
    int taken = 0;
    for (int i = 0; i < segs; ++i) {
        const uint8_t* seg = st + 16 + 16 * i;
        if (get16(seg + 4) & KF_SUPPLEMENTAL) break;
        keys.insert(keys.end(), seg, seg + 16);
        if (!(get16(seg + 4) & KF_SEGMENTED)) ++taken;
    }
    spec[4] = uint8_t(taken);
    keys.resize(keys.size() + 16, 0);
    ASSERT_EQ(BtrCreateFile(path("v.new").c_str(), spec.data(), keys.data()), 0);
    uint16_t n = 0;
    ASSERT_EQ(BtrOpenFile(&n, path("v.new").c_str(), 0x100, 0), 0);
    std::vector<uint8_t> buf(4096);
    char kb[16];
    int copied = 0;
    for (int r = BtrGet(B_STEP_FIRST, h, kb, buf.data(), 4096); r == 0; r = BtrGet(B_STEP_NEXT, h, kb, buf.data(), 4096)) {
        ASSERT_EQ(BtrWrite(B_INSERT, n, nullptr, buf.data(), BtrCall218(h)), 0);
        ++copied;
    }
    EXPECT_EQ(copied, 5);
    uint8_t nst[RECMAN_STAT_BUFFER];
    ASSERT_EQ(BtrStat(n, nst), 0);
    EXPECT_EQ(nst[4], 2);
    EXPECT_EQ(get16(nst + 10), FF_VARIABLE);
    EXPECT_EQ(std::memcmp(nst + 16, st + 16, 3 * 16), 0) << "the keys come across as they were";
    for (const auto& want : recs) {
        ASSERT_EQ(BtrSetDefaults(n, 1, -1), 0);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, n, const_cast<uint8_t*>(want.data()) + 10, buf.data(), 4096), 0);
        ASSERT_EQ(BtrCall218(n), int(want.size()));
        EXPECT_EQ(std::memcmp(buf.data(), want.data(), want.size()), 0);
    }

    // the drop: from the last segment back, key by key
    int cursor = segs - 1;
    int dropped = 0;
    for (int k = st[4] - 1; k >= 0; --k) {
        if (get16(st + 16 + 16 * cursor + 4) & KF_SUPPLEMENTAL) {
            ASSERT_EQ(BtrSetDefaults(h, k, 0), 0);
            ASSERT_EQ(BtrCall211(h), 0);
            ++dropped;
        }
        --cursor;
        while (cursor >= 0 && (get16(st + 16 + 16 * cursor + 4) & KF_SEGMENTED)) --cursor;
    }
    EXPECT_EQ(dropped, 2);
    BtrCall212(h);
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(st[4], 2);
    EXPECT_EQ(get16(st + RECMAN_STAT_BUFFER - 2), 16 + 3 * 16 + 265);
}

TEST_F(RecmanTest, SupplementalKeyWithCollatingSequenceSortsWithoutCase) {
    uint16_t h = make("c.db", 8, {{1, 8, 0}}, 1);
    for (const char* s : {"banana  ", "Apple   ", "apricot ", "Cherry  "})
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, const_cast<char*>(s), 8), 0);
    auto block = segBlock({{1, 8, KF_DUPLICATES | KF_MODIFIABLE | KF_ALT_COLLATE}}, 265);
    ASSERT_EQ(BtrGetAltCollating(block.data() + 16), 0);
    ASSERT_EQ(BtrCreateSupIndex(h, int(block.size()), block.data()), 0);
    std::string order;
    char r[9] = {}, kb[8];
    for (int st = BtrGet(B_GET_FIRST, h, kb, r, 8); st == 0; st = BtrGet(B_GET_NEXT, h, kb, r, 8))
        order += std::string(r, 2) + ",";
    EXPECT_EQ(order, "Ap,ap,ba,Ch,");
    uint8_t st[RECMAN_STAT_BUFFER];
    ASSERT_EQ(BtrStat(h, st), 0);
    EXPECT_EQ(get16(st + RECMAN_STAT_BUFFER - 2), 16 + 32 + 265);
}

}  // namespace
