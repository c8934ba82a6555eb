// The order of each key type, read back with get first / get next, and
// get equal across values that compare equal.
#include <cmath>

#include "recman_fixture.hpp"

using namespace rmtest;

namespace {

template <typename T>
std::vector<uint8_t> le(T v) {
    std::vector<uint8_t> b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

std::vector<uint8_t> str(const std::string& s, size_t n) {
    std::vector<uint8_t> b(n, 0);
    std::memcpy(b.data(), s.data(), std::min(n, s.size()));
    return b;
}

struct OrderCase {
    const char* what;
    int flags;
    int type;
    std::vector<std::vector<uint8_t>> values;  // inserted in this order
    std::string order;                         // indexes (as digits) in key order
};

TEST_F(RecmanTest, EveryKeyTypeReadsBackInItsOrder) {
    const int X = 0x100 | KF_DUPLICATES;
    const int D = KF_DUPLICATES;
    const std::vector<OrderCase> cases = {
        {"string bytewise", D, 0, {str("b", 3), str("a", 3), str("\xe9", 3), str("B", 3), str("ab", 3)}, "31402"},
        {"int8", X, KT_INTEGER, {le<int8_t>(5), le<int8_t>(-1), le<int8_t>(-128), le<int8_t>(127)}, "2103"},
        {"int16", X, KT_INTEGER, {le<int16_t>(300), le<int16_t>(-300), le<int16_t>(0), le<int16_t>(-1)}, "1320"},
        {"int32", X, KT_INTEGER, {le<int32_t>(65536), le<int32_t>(-2), le<int32_t>(INT32_MIN), le<int32_t>(1)},
         "2130"},
        {"int64", X, KT_INTEGER, {le<int64_t>(1LL << 40), le<int64_t>(-(1LL << 40)), le<int64_t>(7)}, "120"},
        {"unsigned16", X, KT_UNSIGNED, {le<uint16_t>(0xFFFF), le<uint16_t>(1), le<uint16_t>(256)}, "120"},
        {"unsigned32", X, KT_UNSIGNED, {le<uint32_t>(0x80000000u), le<uint32_t>(5), le<uint32_t>(0)}, "210"},
        {"float", X, KT_FLOAT, {le<float>(1.5f), le<float>(-2.25f), le<float>(-0.5f), le<float>(0.0f)}, "1230"},
        {"double with -0 equal to 0", X, KT_FLOAT,
         {le<double>(0.0), le<double>(-1e300), le<double>(-0.0), le<double>(3.25), le<double>(-INFINITY)}, "41023"},
        {"zstring ends at its NUL", X, KT_ZSTRING,
         {str(std::string("ab\0zz", 5), 5), str("aa", 5), str(std::string("ab\0yy", 5), 5), str("a", 5)}, "3102"},
        {"case-insensitive string", D | KF_NO_CASE, 0, {str("beta", 4), str("ALFA", 4), str("alfa", 4), str("Beta", 4)},
         "1203"},
        {"descending integer", X | KF_DESCENDING, KT_INTEGER, {le<int16_t>(1), le<int16_t>(-5), le<int16_t>(9)},
         "201"},
        {"descending string", D | KF_DESCENDING, 0, {str("a", 2), str("c", 2), str("b", 2), str("c", 2)}, "1320"},
        {"duplicates in insertion order", D, 0, {str("x", 1), str("x", 1), str("a", 1), str("x", 1)}, "2013"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int len = int(c.values[0].size());
        const std::string name = std::to_string(n++) + "o.db";
        uint16_t h = make(name, len + 1, {{1, len, c.flags, c.type}}, 1);
        for (size_t i = 0; i < c.values.size(); ++i) {
            std::vector<uint8_t> r = c.values[i];
            r.push_back(uint8_t('0' + i));
            ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r.data(), len + 1), 0);
        }
        std::string got, back;
        std::vector<uint8_t> r(size_t(len) + 1), key(static_cast<size_t>(len));
        for (int st = BtrGet(B_GET_FIRST, h, key.data(), r.data(), 0); st == 0;
             st = BtrGet(B_GET_NEXT, h, key.data(), r.data(), 0))
            got += char(r[size_t(len)]);
        EXPECT_EQ(got, c.order);
        for (int st = BtrGet(B_GET_LAST, h, key.data(), r.data(), 0); st == 0;
             st = BtrGet(B_GET_PREVIOUS, h, key.data(), r.data(), 0))
            back += char(r[size_t(len)]);
        EXPECT_EQ(std::string(back.rbegin(), back.rend()), c.order) << "backwards";
        BtrCloseFile(h);
    }
}

TEST_F(RecmanTest, GetEqualMatchesValuesThatCompareEqual) {
    struct Case {
        const char* what;
        int flags;
        int type;
        std::vector<uint8_t> stored, search;
    };
    const std::vector<Case> cases = {
        {"zstring tail after NUL", 0x100, KT_ZSTRING, str(std::string("ab\0xx", 5), 5), str("ab", 5)},
        {"case-insensitive", KF_NO_CASE, 0, str("Smith", 5), str("SMITH", 5)},
        {"collating sequence", KF_ALT_COLLATE, 0, str("jones", 5), str("JoNeS", 5)},
        {"minus zero", 0x100, KT_FLOAT, le<double>(-0.0), le<double>(0.0)},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int len = int(c.stored.size());
        uint16_t h = make(std::to_string(n++) + "e.db", len, {{1, len, c.flags, c.type}}, 1);
        std::vector<uint8_t> r = c.stored;
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r.data(), len), 0);
        std::vector<uint8_t> key = c.search, out(static_cast<size_t>(len));
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key.data(), out.data(), len), 0);
        EXPECT_EQ(key, c.stored) << "the key buffer holds the stored key";
        BtrCloseFile(h);
    }
}

}  // namespace
