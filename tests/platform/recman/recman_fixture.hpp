// Shared helpers of the record-manager tests: a scratch folder per test and
// builders for file and key specifications.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/recman/include/recman.h"
#include "platform/recman/include/recman_testing.h"

namespace rmtest {

struct Seg {
    int pos;
    int len;
    int flags;
    int type = 0;
};

inline void put16(uint8_t* p, int v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline int get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline uint32_t get32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline std::vector<uint8_t> segBlock(const std::vector<Seg>& segs, size_t extra = 16) {
    std::vector<uint8_t> b(segs.size() * 16 + extra, 0);
    for (size_t i = 0; i < segs.size(); ++i) {
        uint8_t* p = b.data() + i * 16;
        put16(p, segs[i].pos);
        put16(p + 2, segs[i].len);
        put16(p + 4, segs[i].flags);
        p[10] = uint8_t(segs[i].type);
    }
    return b;
}

inline std::vector<uint8_t> fileSpec(int recordLength, int keys, int flags = 0, int pageSize = 4096) {
    std::vector<uint8_t> s(16, 0);
    put16(s.data(), recordLength);
    put16(s.data() + 2, pageSize);
    s[4] = uint8_t(keys);
    put16(s.data() + 10, flags);
    return s;
}

class RecmanTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecmanReset();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("recman-") += std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        RecmanReset();
        std::filesystem::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Creates a file and opens it; fails the test on any status.
    uint16_t make(const std::string& name, int recordLength, const std::vector<Seg>& segs, int keys,
                  int flags = 0) {
        auto spec = fileSpec(recordLength, keys, flags);
        auto block = segBlock(segs);
        const int st = BtrCreateFile(path(name).c_str(), spec.data(), block.data());
        EXPECT_EQ(st, 0) << "create " << name;
        uint16_t h = 0;
        EXPECT_EQ(BtrOpenFile(&h, path(name).c_str(), 0, 0), 0) << "open " << name;
        return h;
    }

    std::filesystem::path dir_;
};

}  // namespace rmtest
