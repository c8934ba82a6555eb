// Random sequences of inserts, updates, deletes and reads, checked against a
// plain in-memory model of the same file.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <random>

#include "recman_fixture.hpp"

using namespace rmtest;

namespace {

// Record (20 bytes): int32 at 0 (key 0: unique, modifiable); 3 characters
// at 4 (key 1: duplicates, case-insensitive); int16 at 7 descending then one
// character at 9 (key 2: duplicates); payload from 10.
constexpr int kLen = 20;
using Bytes = std::vector<uint8_t>;

int32_t i32(const Bytes& r) {
    int32_t v;
    std::memcpy(&v, r.data(), 4);
    return v;
}
int16_t i16(const uint8_t* p) {
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Key values as the model sees them, compared with the model's own rules.
Bytes keyOf(int key, const Bytes& r) {
    switch (key) {
    case 0: return Bytes(r.begin(), r.begin() + 4);
    case 1: return Bytes(r.begin() + 4, r.begin() + 7);
    default: return Bytes(r.begin() + 7, r.begin() + 10);
    }
}

int cmpKey(int key, const Bytes& a, const Bytes& b) {
    if (key == 0) {
        int32_t x, y;
        std::memcpy(&x, a.data(), 4);
        std::memcpy(&y, b.data(), 4);
        return x < y ? -1 : x > y;
    }
    if (key == 1) {
        for (int i = 0; i < 3; ++i) {
            const int x = std::toupper(a[size_t(i)]), y = std::toupper(b[size_t(i)]);
            if (x != y) return x < y ? -1 : 1;
        }
        return 0;
    }
    const int16_t x = i16(a.data()), y = i16(b.data());
    if (x != y) return x > y ? -1 : 1;  // descending
    return a[2] < b[2] ? -1 : a[2] > b[2];
}

struct Model {
    std::map<uint32_t, Bytes> recs;

    // (key value, position) order; returns the position chosen by `op`.
    std::optional<uint32_t> find(int key, int op, const Bytes& k, uint32_t pos = 0) const {
        std::optional<uint32_t> best;
        Bytes bestKey;
        auto before = [&](const Bytes& ka, uint32_t pa, const Bytes& kb, uint32_t pb) {
            const int c = cmpKey(key, ka, kb);
            return c < 0 || (c == 0 && pa < pb);
        };
        for (const auto& [p, r] : recs) {
            const Bytes rk = keyOf(key, r);
            const int c = cmpKey(key, rk, k);
            bool ok = false;
            bool wantSmallest = true;
            switch (op) {
            case B_GET_EQUAL: ok = c == 0; break;
            case B_GET_GE: ok = c >= 0; break;
            case B_GET_GREATER: ok = c > 0; break;
            case B_GET_LE: ok = c <= 0; wantSmallest = false; break;
            case B_GET_LESS: ok = c < 0; wantSmallest = false; break;
            case B_GET_FIRST: ok = true; break;
            case B_GET_LAST: ok = true; wantSmallest = false; break;
            case B_GET_NEXT: ok = c > 0 || (c == 0 && p > pos); break;
            case B_GET_PREVIOUS: ok = c < 0 || (c == 0 && p < pos); wantSmallest = false; break;
            }
            if (!ok) continue;
            if (!best || (wantSmallest ? before(rk, p, bestKey, *best) : before(bestKey, *best, rk, p))) {
                best = p;
                bestKey = rk;
            }
        }
        return best;
    }
    bool clash(const Bytes& r, std::optional<uint32_t> except) const {
        for (const auto& [p, o] : recs)
            if ((!except || p != *except) && i32(o) == i32(r)) return true;
        return false;
    }
};

// With `tx`, the operations run partly inside transactions that end or
// are aborted at random: an abort puts the model back as it was at begin.
class ModelRun : public RecmanTest {
protected:
    void run(bool tx);
};

TEST_F(ModelRun, RandomOperationsAgreeWithAModel) { run(false); }

TEST_F(ModelRun, RandomOperationsWithTransactionsAgreeWithAModel) { run(true); }

void ModelRun::run(bool tx) {
    uint16_t h = make("model.db", kLen,
                      {{1, 4, 0x100 | KF_MODIFIABLE, KT_INTEGER},
                       {5, 3, KF_DUPLICATES | KF_MODIFIABLE | KF_NO_CASE},
                       {8, 2, 0x100 | KF_DUPLICATES | KF_MODIFIABLE | KF_DESCENDING | KF_SEGMENTED, KT_INTEGER},
                       {10, 1, KF_DUPLICATES | KF_MODIFIABLE}},
                      3);
    std::mt19937 rng(20261210);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const char letters[] = "aAbB";
    auto randomRecord = [&]() {
        Bytes r(kLen);
        const int32_t k0 = pick(120) - 60;
        std::memcpy(r.data(), &k0, 4);
        for (int i = 4; i < 7; ++i) r[size_t(i)] = uint8_t(letters[pick(4)]);
        const int16_t k2 = int16_t(pick(7) - 3);
        std::memcpy(r.data() + 7, &k2, 2);
        r[9] = uint8_t('x' + pick(2));
        for (int i = 10; i < kLen; ++i) r[size_t(i)] = uint8_t(pick(256));
        return r;
    };

    // A second handle walks key 1 in long runs of get next while the first
    // one writes: its reads must always follow the file as it is now.
    uint16_t reader = 0;
    ASSERT_EQ(BtrOpenFile(&reader, path("model.db").c_str(), 0, 0), 0);
    ASSERT_EQ(BtrSetDefaults(reader, 1, -1), 0);
    bool readerOn = false;
    Bytes readerRec;
    uint32_t readerPos = 0;

    Model m;
    int key = 0;
    std::optional<uint32_t> cur;  // current record (for update / delete)
    bool positioned = false;
    Bytes curRec;  // the record the position stands on (kept after a delete)
    uint32_t curPos = 0;
    int checks = 0;
    bool inTx = false, stale = false;  // stale: the handle's record went with an abort

    auto expectRead = [&](int st, std::optional<uint32_t> want, const Bytes& data, int op) {
        if (!want) {
            EXPECT_EQ(st, op == B_GET_EQUAL ? B_KEY_NOT_FOUND : B_END_OF_FILE);
            return;
        }
        ASSERT_EQ(st, 0);
        uint32_t pos = 0;
        ASSERT_EQ(BtrPosition(B_GET_DIRECT, h, &pos), 0);
        ASSERT_EQ(pos, *want);
        ASSERT_EQ(data, m.recs[*want]);
        cur = pos;
        stale = false;
        positioned = true;
        curRec = data;
        curPos = pos;
        ++checks;
    };

    int ended = 0, aborted = 0;
    Model saved;
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        Bytes data(kLen), kb(8, 0);
        if (tx && pick(100) < 4) {
            if (!inTx) {
                ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
                saved = m;
                inTx = true;
            } else if (pick(2)) {
                ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
                inTx = false;
                ++ended;
            } else {
                ASSERT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
                m = saved;
                inTx = false;
                ++aborted;
                // the records the handles stood on may be gone: start again
                readerOn = false;
                key = 0;
                ASSERT_EQ(BtrSetDefaults(h, 0, -1), 0);
                positioned = false;
                cur.reset();
                stale = true;
                const int st = BtrGet(B_GET_FIRST, h, kb.data(), data.data(), kLen);
                const auto want = m.find(0, B_GET_FIRST, Bytes(4, 0));
                expectRead(st, want, data, B_GET_FIRST);
                if (want) stale = false;
            }
            continue;
        }
        const int what = pick(100);
        for (int n = pick(4); n > 0; --n) {
            const int st = BtrGet(readerOn ? B_GET_NEXT : B_GET_FIRST, reader, kb.data(), data.data(), kLen);
            const auto want = readerOn ? m.find(1, B_GET_NEXT, keyOf(1, readerRec), readerPos)
                                       : m.find(1, B_GET_FIRST, Bytes(3, 0));
            if (!want) {
                ASSERT_EQ(st, B_END_OF_FILE);
                readerOn = false;
                continue;
            }
            ASSERT_EQ(st, 0);
            uint32_t pos = 0;
            ASSERT_EQ(BtrPosition(B_GET_DIRECT, reader, &pos), 0);
            ASSERT_EQ(pos, *want);
            ASSERT_EQ(data, m.recs[pos]);
            readerOn = true;
            readerRec = data;
            readerPos = pos;
        }
        if (what < 30) {  // insert
            Bytes r = randomRecord();
            const bool clash = m.clash(r, std::nullopt);
            const int st = BtrWrite(B_INSERT, h, kb.data(), r.data(), kLen);
            ASSERT_EQ(st, clash ? B_DUPLICATE_KEY : 0);
            if (!clash) {
                uint32_t pos = 0;
                ASSERT_EQ(BtrPosition(B_GET_DIRECT, h, &pos), 0);
                ASSERT_EQ(m.recs.count(pos), 0u);
                m.recs[pos] = r;
                cur = pos;
                stale = false;
                positioned = true;
                curRec = r;
                curPos = pos;
            }
        } else if (what < 60) {  // absolute read by a random key
            key = pick(3);
            ASSERT_EQ(BtrSetDefaults(h, key, -1), 0);
            static const int ops[] = {B_GET_EQUAL, B_GET_GE, B_GET_GREATER, B_GET_LE, B_GET_LESS, B_GET_FIRST,
                                      B_GET_LAST};
            const int op = ops[pick(7)];
            Bytes probe = (!m.recs.empty() && pick(2)) ? std::next(m.recs.begin(), pick(int(m.recs.size())))->second
                                                       : randomRecord();
            Bytes k = keyOf(key, probe);
            std::copy(k.begin(), k.end(), kb.begin());
            const int st = BtrGet(op, h, kb.data(), data.data(), kLen);
            const auto want = m.find(key, op, k);
            expectRead(st, want, data, op);
            if (want) {
                ASSERT_EQ(Bytes(kb.begin(), kb.begin() + long(k.size())), keyOf(key, data));
            }
        } else if (what < 80) {  // next / previous
            if (!positioned) continue;
            const int op = pick(2) ? B_GET_NEXT : B_GET_PREVIOUS;
            const int st = BtrGet(op, h, kb.data(), data.data(), kLen);
            const auto want = m.find(key, op, keyOf(key, curRec), curPos);
            expectRead(st, want, data, op);
        } else if (what < 92) {  // update
            if (!cur) continue;
            Bytes r = m.recs[*cur];
            switch (pick(4)) {
            case 0: r = randomRecord(); break;
            case 1: r[size_t(4 + pick(3))] = uint8_t(letters[pick(4)]); break;
            case 2: r[12] ^= 0x55; break;
            default: { const int16_t k2 = int16_t(pick(7) - 3); std::memcpy(r.data() + 7, &k2, 2); }
            }
            const bool clash = m.clash(r, cur);
            ASSERT_EQ(BtrWrite(B_UPDATE, h, kb.data(), r.data(), kLen), clash ? B_DUPLICATE_KEY : 0);
            if (!clash) {
                m.recs[*cur] = r;
                curRec = r;
            }
        } else {  // delete
            if (!cur) {
                if (stale) continue;  // the handle's record went with an abort
                ASSERT_EQ(BtrWrite(B_DELETE, h, nullptr, nullptr, 0), B_INVALID_POSITIONING);
                continue;
            }
            ASSERT_EQ(BtrWrite(B_DELETE, h, nullptr, nullptr, 0), 0);
            m.recs.erase(*cur);
            cur.reset();
        }
        if (step % 500 == 0) {
            ASSERT_EQ(BtrGetRecordCount(h), int32_t(m.recs.size()));
        }
    }
    if (inTx) {
        ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    }
    EXPECT_GT(checks, 1000);
    EXPECT_EQ(BtrGetRecordCount(h), int32_t(m.recs.size()));
    if (tx) {
        EXPECT_GT(ended, 5);
        EXPECT_GT(aborted, 5);
        // what the model holds is what a fresh open finds
        RecmanReset();
        ASSERT_EQ(BtrOpenFile(&h, path("model.db").c_str(), 0, 0), 0);
        EXPECT_EQ(BtrGetRecordCount(h), int32_t(m.recs.size()));
        Bytes data(kLen), kb(8, 0);
        size_t n = 0;
        for (int st = BtrGet(B_STEP_FIRST, h, kb.data(), data.data(), kLen); st == 0;
             st = BtrGet(B_STEP_NEXT, h, kb.data(), data.data(), kLen), ++n) {
            uint32_t pos = 0;
            ASSERT_EQ(BtrPosition(B_GET_DIRECT, h, &pos), 0);
            ASSERT_EQ(m.recs.count(pos), 1u);
            ASSERT_EQ(data, m.recs[pos]);
        }
        EXPECT_EQ(n, m.recs.size());
    }
}

}  // namespace
