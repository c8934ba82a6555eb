// recman-shell: looks into record-manager data files.
//   recman-shell demo DIR   creates DIR/SAMPLE.DB with a few records and two
//                           keys, then prints its statistics and its records
//                           in the order of each key
//   recman-shell stat FILE  prints the file specification, the keys and the
//                           number of records
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "recman.h"

namespace {

#pragma pack(push, 1)
struct SampleRecord {
    char code[10];   // key 0: unique
    char name[30];   // key 1: duplicates, modifiable, case-insensitive
    double balance;  // 40
    int32_t visits;  // 48
    char spare[12];
};
#pragma pack(pop)
static_assert(sizeof(SampleRecord) == 64);
static_assert(offsetof(SampleRecord, name) == 10);
static_assert(offsetof(SampleRecord, balance) == 40);

uint16_t rd16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void putSeg(uint8_t* p, int pos, int len, int flags, int type) {
    std::memset(p, 0, 16);
    p[0] = uint8_t(pos);
    p[1] = uint8_t(pos >> 8);
    p[2] = uint8_t(len);
    p[3] = uint8_t(len >> 8);
    p[4] = uint8_t(flags);
    p[5] = uint8_t(flags >> 8);
    p[10] = uint8_t(type);
}

const char* typeName(int flags, int type) {
    if (!(flags & KF_EXTENDED)) return "string";
    switch (type) {
    case KT_STRING: return "string";
    case KT_INTEGER: return "integer";
    case KT_FLOAT: return "float";
    case KT_ZSTRING: return "zstring";
    case KT_UNSIGNED: return "unsigned";
    case KT_AUTOINC: return "autoincrement";
    default: return "?";
    }
}

int printStat(uint16_t h) {
    uint8_t b[RECMAN_STAT_BUFFER];
    const int st = BtrStat(h, b);
    if (st) {
        std::fprintf(stderr, "stat failed: status %d\n", st);
        return st;
    }
    uint32_t count;
    std::memcpy(&count, b + 6, 4);
    const int len = rd16(b + RECMAN_STAT_BUFFER - 2);
    const bool acs = ((len - 16) % 16) != 0;
    const int segs = (len - 16 - (acs ? 265 : 0)) / 16;
    std::printf("record length %u, page size %u, keys %u, records %u, flags 0x%04x%s\n", rd16(b), rd16(b + 2), b[4],
                count, rd16(b + 10), (rd16(b + 10) & FF_VARIABLE) ? " (variable length)" : "");
    int key = 0;
    bool first = true;
    for (int i = 0; i < segs; ++i) {
        const uint8_t* s = b + 16 + i * 16;
        const int flags = rd16(s + 4);
        if (first) std::printf("key %d:\n", key);
        std::printf("  position %u length %u flags 0x%04x %s%s%s%s%s%s%s\n", rd16(s), rd16(s + 2), flags,
                    typeName(flags, s[10]), (flags & KF_DUPLICATES) ? " duplicates" : "",
                    (flags & KF_MODIFIABLE) ? " modifiable" : "", (flags & KF_DESCENDING) ? " descending" : "",
                    (flags & KF_NO_CASE) ? " ignoring-case" : "", (flags & KF_ALT_COLLATE) ? " collated" : "",
                    (flags & KF_SUPPLEMENTAL) ? " supplemental" : "");
        first = !(flags & KF_SEGMENTED);
        if (first) ++key;
    }
    if (acs) std::printf("alternate collating sequence %.8s\n", reinterpret_cast<const char*>(b + len - 264));
    return 0;
}

int demo(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "cannot make %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    const std::string path = dir + "/SAMPLE.DB";
    uint8_t spec[16] = {};
    spec[0] = sizeof(SampleRecord);
    spec[2] = 0x00;
    spec[3] = 0x10;  // page size 4096
    spec[4] = 2;
    uint8_t keys[32];
    putSeg(keys, 1, 10, 0, KT_STRING);
    putSeg(keys + 16, 11, 30, KF_DUPLICATES | KF_MODIFIABLE | KF_NO_CASE, KT_STRING);
    int st = BtrCreateFile(path.c_str(), spec, keys);
    if (st) {
        std::fprintf(stderr, "create %s: status %d\n", path.c_str(), st);
        return 1;
    }
    uint16_t h = 0;
    st = BtrOpenFile(&h, path.c_str(), 0, 0);
    if (st) {
        std::fprintf(stderr, "open %s: status %d\n", path.c_str(), st);
        return 1;
    }
    const struct {
        const char* code;
        const char* name;
        double balance;
        int visits;
    } rows[] = {
        {"C100", "Ortega Hardware", 1250.50, 12}, {"A200", "bluebird cafe", 88.00, 3},
        {"B300", "Alpine Sports", 0.0, 1},        {"D400", "Bluebird Cafe", 410.25, 7},
        {"E500", "Corner Books", 19.99, 2},
    };
    for (const auto& r : rows) {
        SampleRecord rec{};
        std::memset(rec.code, ' ', sizeof rec.code);
        std::memcpy(rec.code, r.code, std::strlen(r.code));
        std::memset(rec.name, ' ', sizeof rec.name);
        std::memcpy(rec.name, r.name, std::strlen(r.name));
        rec.balance = r.balance;
        rec.visits = r.visits;
        char key[64];
        st = BtrWrite(B_INSERT, h, key, &rec, sizeof rec);
        if (st) {
            std::fprintf(stderr, "insert %s: status %d\n", r.code, st);
            return 1;
        }
    }
    std::printf("%s\n", path.c_str());
    printStat(h);
    for (int key = 0; key < 2; ++key) {
        BtrSetDefaults(h, key, -1);
        std::printf("records by key %d (%s):\n", key, key == 0 ? "code" : "name, ignoring case");
        SampleRecord rec{};
        char kb[64];
        for (st = BtrGet(B_GET_FIRST, h, kb, &rec, sizeof rec); st == 0;
             st = BtrGet(B_GET_NEXT, h, kb, &rec, sizeof rec)) {
            uint32_t pos = 0;
            BtrPosition(B_GET_DIRECT, h, &pos);
            std::printf("  %.10s  %.30s  %10.2f  %3d  (position %u)\n", rec.code, rec.name, rec.balance,
                        rec.visits, pos);
        }
        if (st != B_END_OF_FILE) std::fprintf(stderr, "read: status %d\n", st);
    }
    BtrCloseFile(h);
    return 0;
}

int statFile(const char* path) {
    uint16_t h = 0;
    const int st = BtrOpenFile(&h, path, 0, 0);
    if (st) {
        std::fprintf(stderr, "open %s: status %d\n", path, st);
        return 1;
    }
    const int r = printStat(h);
    BtrCloseFile(h);
    return r ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "demo") == 0) return demo(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "stat") == 0) return statFile(argv[2]);
    std::fprintf(stderr, "usage: recman-shell demo DIR | recman-shell stat FILE\n");
    return 2;
}
