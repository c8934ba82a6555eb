// Key definitions and the order-preserving encoding of key values.
//
// Every key value is turned into a byte string whose memcmp order is the
// order the key defines, so that SQLite can index and range-search it as a
// plain BLOB. The same routine encodes a record (segments at their record
// positions) and a caller's key buffer (segments laid one after another).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace recman {

constexpr int kSegSize = 16;
constexpr int kAcsSize = 265;
constexpr int kMaxKeyLength = 255;

struct Segment {
    uint16_t position = 0;  // 1-based position in the record
    uint16_t length = 0;
    uint16_t flags = 0;
    uint8_t type = 0;       // extended type (0 string when 0x100 is clear)
    uint8_t nullValue = 0;  // byte 11, kept as given, not used
};

struct KeyDef {
    std::vector<Segment> segs;
    std::vector<uint8_t> acs;  // 265 bytes when a segment collates by it
    int rawLength = 0;         // sum of segment lengths
    bool duplicates = false;
    bool modifiable = false;
    bool supplemental = false;
    bool autoinc = false;

    // The key as a 16-byte-per-segment block (+ the ACS when used): this is
    // both what BtrStat shows and the constant argument of the SQL key
    // function, so that the index expression describes itself.
    std::vector<uint8_t> spec() const;
    bool usesAcs() const;
};

// Parses one 16-byte segment specification.
Segment parseSegment(const uint8_t* p);
void writeSegment(const Segment& s, uint8_t* p);

// Checks a key's segments against the record length; 0 or a status.
int validateKey(const KeyDef& k, int recordLength);

// Finishes a key from its segments: flags taken from the first segment.
void finishKey(KeyDef& k);

// Parses a self-describing spec (see KeyDef::spec); false when malformed.
bool keyFromSpec(const uint8_t* p, int n, KeyDef& out);

// The default alternate collating sequence: upper-case ASCII.
const std::array<uint8_t, kAcsSize>& defaultAcs();

// Encodes the key of a record of `len` bytes. Bytes beyond the record count
// as zero (a key lies inside the fixed part, which every record has).
std::string encodeRecordKey(const KeyDef& k, const uint8_t* rec, size_t len);
// Encodes a caller's key buffer (segments one after another).
std::string encodeBufferKey(const KeyDef& k, const uint8_t* key);
// Copies the raw key of a record into a key buffer.
void extractRawKey(const KeyDef& k, const uint8_t* rec, size_t len, uint8_t* out);

// Autoincrement: the value of the (single) autoincrement segment.
int64_t readAutoinc(const Segment& s, const uint8_t* rec);
void writeAutoinc(const Segment& s, uint8_t* rec, int64_t v);

}  // namespace recman
