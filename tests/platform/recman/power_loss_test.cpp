// Transactions across a power loss: a writer of transactions over three
// files is cut at random moments on a disk that keeps only what was
// synced; when the power comes back every transaction is whole or absent,
// and every transaction whose end had answered 0 is there.
#include <fcntl.h>

#include <random>

#include "multiproc.hpp"
#include "tests/support/unsynced_disk.h"

using namespace rmtest;
using mp::Pipe;

namespace {

constexpr int kLen = 16;

struct Rec {
    int32_t id;
    char text[12];
};
static_assert(sizeof(Rec) == kLen);

class PowerLoss : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        data = path("data");
        disk = path("disk");
        std::filesystem::create_directories(data);
        for (int i = 0; i < 3; ++i) {
            names[i] = data + "/t" + std::to_string(i) + ".db";
            auto spec = fileSpec(kLen, 1);
            auto keys = segBlock({{1, 4, KF_EXTENDED, KT_INTEGER}});
            ASSERT_EQ(BtrCreateFile(names[i].c_str(), spec.data(), keys.data()), 0);
        }
    }
    std::string data, disk, names[3];
};

// The last transaction whose end answered 0, as the writer synced it.
int32_t EndedUpTo(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    int32_t v = 0;
    if (::pread(fd, &v, sizeof v, 0) != ssize_t(sizeof v)) v = 0;
    ::close(fd);
    return v;
}

TEST_F(PowerLoss, EveryTransactionIsWholeOrAbsentAndEveryEndedOneIsThere) {
    RMTEST_LOCAL_ONLY();
    constexpr int kTransactions = 60;
    constexpr int kCuts = 12;
    {
        uint16_t c = 0;
        ASSERT_EQ(BtrOpenFile(&c, names[1].c_str(), 0, 0), 0);
        Rec counter{-1, "0"};
        ASSERT_EQ(BtrWrite(B_INSERT, c, nullptr, &counter, kLen), 0);
        RecmanReset();
    }
    const std::string ended = data + "/ended";
    std::mt19937 rng(20261211);
    int done = 0, rounds = 0;
    uint32_t window = 20000;
    while (done < kTransactions) {
        const bool cut = rounds < kCuts;
        ++rounds;
        RecmanReset();
        testdisk::Mirror(data, disk);
        Pipe started;
        const int from = done;
        const pid_t kid = mp::spawn([&]() -> int {
            uint16_t hs[3];
            for (int i = 0; i < 3; ++i)
                if (BtrOpenFile(&hs[i], names[i].c_str(), 0, 0)) return 10;
            const int progress = ::open(ended.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
            if (progress < 0) return 16;
            started.put('s');
            for (int32_t t = from + 1; t <= kTransactions; ++t) {
                if (BtrTransaction(B_BEGIN_TRAN)) return 11;
                for (int i = 0; i < 3; ++i) {
                    Rec r{t, "tx"};
                    if (BtrWrite(B_INSERT, hs[i], nullptr, &r, kLen)) return 12;
                    if (i == 1) {
                        int32_t k = -1;
                        Rec c;
                        if (BtrGet(B_GET_EQUAL, hs[1], &k, &c, kLen)) return 13;
                        std::snprintf(c.text, sizeof c.text, "%d", std::atoi(c.text) + 1);
                        if (BtrWrite(B_UPDATE, hs[1], nullptr, &c, kLen)) return 14;
                    }
                }
                if (BtrTransaction(B_END_TRAN)) return 15;
                if (::pwrite(progress, &t, sizeof t, 0) != ssize_t(sizeof t) || ::fdatasync(progress)) return 17;
            }
            return 0;
        });
        ASSERT_EQ(started.get(), 's');
        if (cut) {
            ::usleep(useconds_t(500 + rng() % window));
            ::kill(kid, SIGKILL);
        }
        const int rc = mp::reap(kid, 60000);
        ASSERT_TRUE(rc == 1000 + SIGKILL || rc == 0) << "writer ended with " << rc;
        testdisk::PowerBack(data, disk);

        uint16_t h[3];
        for (int i = 0; i < 3; ++i) ASSERT_EQ(BtrOpenFile(&h[i], names[i].c_str(), 0, 0), 0);
        std::vector<int> present(kTransactions + 1, 0);
        for (int i = 0; i < 3; ++i) {
            Rec r;
            int32_t k;
            for (int st = BtrGet(B_GET_FIRST, h[i], &k, &r, kLen); st == 0;
                 st = BtrGet(B_GET_NEXT, h[i], &k, &r, kLen))
                if (r.id > 0) ++present[size_t(r.id)];
        }
        int whole = 0;
        for (int t = 1; t <= kTransactions; ++t) {
            ASSERT_TRUE(present[size_t(t)] == 0 || present[size_t(t)] == 3)
                << "transaction " << t << " is in " << present[size_t(t)] << " files (round " << rounds << ")";
            if (present[size_t(t)] == 3) ++whole;
        }
        Rec c;
        int32_t k = -1;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h[1], &k, &c, kLen), 0);
        ASSERT_EQ(std::atoi(c.text), whole) << "the counter agrees with the transactions there";
        ASSERT_GE(whole, EndedUpTo(ended)) << "a transaction whose end answered 0 was lost (round " << rounds << ")";
        for (int t = 1; t <= whole; ++t) ASSERT_EQ(present[size_t(t)], 3) << "transactions end in order";
        window = whole > done ? std::max<uint32_t>(4000, window / 2) : window + 8000;
        done = whole;
    }
    EXPECT_EQ(done, kTransactions);
    std::printf("[ info ] %d rounds\n", rounds);
}

}  // namespace
