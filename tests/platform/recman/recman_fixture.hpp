// Shared helpers of the record-manager tests: a scratch folder per test and
// builders for file and key specifications.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// The store the tests run against: the local one, or, when the test run
// names a server (RECMAN_TEST_SERVER=<connection URI>), the server store:
// each test's folder then holds a connection file naming a schema of its
// own, dropped at the end.
inline std::string serverUri() {
    const char* u = std::getenv("RECMAN_TEST_SERVER");
    return u ? u : "";
}
inline bool serverStore() { return !serverUri().empty(); }

// Runs statements on the test server outside the record manager.
inline bool serverExec(const std::string& sql) {
    PGconn* c = PQconnectdb(serverUri().c_str());
    bool ok = PQstatus(c) == CONNECTION_OK;
    if (ok) {
        PQclear(PQexec(c, "SET client_min_messages = warning"));
        PGresult* r = PQexec(c, sql.c_str());
        ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
    }
    PQfinish(c);
    return ok;
}

// Puts a folder on the test server, under schema `schema`.
inline void writeServerConf(const std::filesystem::path& dir, const std::string& schema) {
    std::ofstream(dir / "SERVER.CONF") << serverUri() << "\nschema " << schema << "\n";
}

// Skips a test of what only the local store has (its database files on
// disk, their damage, power loss, marker files).
#define RMTEST_LOCAL_ONLY()                                              \
    do {                                                                 \
        if (::rmtest::serverStore()) GTEST_SKIP() << "local store only"; \
    } while (0)

class RecmanTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecmanReset();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("recman-") += std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        if (serverStore()) {
            static int n = 0;
            schema_ = "rmt_" + std::to_string(::getpid()) + "_" + std::to_string(++n);
            writeServerConf(dir_, schema_);
        }
    }
    void TearDown() override {
        RecmanReset();
        std::filesystem::remove_all(dir_);
        if (!schema_.empty()) serverExec("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
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
    std::string schema_;  // on the server store: the test's schema
};

}  // namespace rmtest
