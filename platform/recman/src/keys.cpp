#include "keys.hpp"

#include <cstring>

#include "recman.h"

namespace recman {

namespace {

uint16_t rd16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
void wr16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

bool validIntWidth(int n) { return n == 1 || n == 2 || n == 4 || n == 8; }

uint8_t upperAscii(uint8_t c) { return (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : c; }

// Encodes one segment's bytes `in` (little-endian for numbers) into `out`.
void encodeSegment(const Segment& s, const std::vector<uint8_t>& acs, const uint8_t* in, uint8_t* out) {
    const int n = s.length;
    const int type = (s.flags & KF_EXTENDED) ? int(s.type) : int(KT_STRING);
    switch (type) {
    case KT_INTEGER:
    case KT_AUTOINC:
    case KT_UNSIGNED:
        // big-endian; signed values get their sign bit flipped
        for (int i = 0; i < n; ++i) out[i] = in[n - 1 - i];
        if (type != KT_UNSIGNED) out[0] ^= 0x80;
        break;
    case KT_FLOAT: {
        uint8_t be[8];
        for (int i = 0; i < n; ++i) be[i] = in[n - 1 - i];
        bool zero = true;  // -0.0 and 0.0 are one value
        for (int i = 0; i < n; ++i)
            if ((i == 0 ? (be[i] & 0x7f) : be[i]) != 0) zero = false;
        if (zero) be[0] = 0;
        if (be[0] & 0x80) {
            for (int i = 0; i < n; ++i) be[i] = uint8_t(~be[i]);
        } else {
            be[0] ^= 0x80;
        }
        std::memcpy(out, be, n);
        break;
    }
    case KT_ZSTRING: {
        bool cut = false;
        for (int i = 0; i < n; ++i) {
            if (!cut && in[i] == 0) cut = true;
            out[i] = cut ? 0 : in[i];
        }
        break;
    }
    default:
        std::memcpy(out, in, n);
        break;
    }
    if (type == KT_STRING || type == KT_ZSTRING) {
        if (s.flags & KF_ALT_COLLATE) {
            const uint8_t* table = acs.size() == kAcsSize ? acs.data() + 9 : defaultAcs().data() + 9;
            for (int i = 0; i < n; ++i) out[i] = table[out[i]];
        } else if (s.flags & KF_NO_CASE) {
            for (int i = 0; i < n; ++i) out[i] = upperAscii(out[i]);
        }
    }
    if (s.flags & KF_DESCENDING)
        for (int i = 0; i < n; ++i) out[i] = uint8_t(~out[i]);
}

}  // namespace

Segment parseSegment(const uint8_t* p) {
    Segment s;
    s.position = rd16(p);
    s.length = rd16(p + 2);
    s.flags = rd16(p + 4);
    s.type = p[10];
    s.nullValue = p[11];
    return s;
}

void writeSegment(const Segment& s, uint8_t* p) {
    std::memset(p, 0, kSegSize);
    wr16(p, s.position);
    wr16(p + 2, s.length);
    wr16(p + 4, s.flags);
    p[10] = s.type;
    p[11] = s.nullValue;
}

bool KeyDef::usesAcs() const {
    for (const auto& s : segs)
        if (s.flags & KF_ALT_COLLATE) return true;
    return false;
}

std::vector<uint8_t> KeyDef::spec() const {
    std::vector<uint8_t> out(segs.size() * kSegSize);
    for (size_t i = 0; i < segs.size(); ++i) writeSegment(segs[i], out.data() + i * kSegSize);
    if (usesAcs()) {
        if (acs.size() == kAcsSize)
            out.insert(out.end(), acs.begin(), acs.end());
        else
            out.insert(out.end(), defaultAcs().begin(), defaultAcs().end());
    }
    return out;
}

void finishKey(KeyDef& k) {
    k.rawLength = 0;
    for (const auto& s : k.segs) k.rawLength += s.length;
    if (k.segs.empty()) return;
    const uint16_t f = k.segs[0].flags;
    k.duplicates = f & KF_DUPLICATES;
    k.modifiable = f & KF_MODIFIABLE;
    k.supplemental = f & KF_SUPPLEMENTAL;
    k.autoinc = false;
    for (const auto& s : k.segs)
        if ((s.flags & KF_EXTENDED) && s.type == KT_AUTOINC) k.autoinc = true;
    if (k.usesAcs() && k.acs.size() != kAcsSize) k.acs.assign(defaultAcs().begin(), defaultAcs().end());
}

int validateKey(const KeyDef& k, int recordLength) {
    if (k.segs.empty()) return B_INVALID_KEY_POSITION;
    int total = 0;
    for (const auto& s : k.segs) {
        if (s.length == 0) return B_INVALID_KEY_LENGTH;
        if (s.position == 0 || int(s.position) + int(s.length) - 1 > recordLength) return B_INVALID_KEY_POSITION;
        total += s.length;
        const int type = (s.flags & KF_EXTENDED) ? int(s.type) : int(KT_STRING);
        switch (type) {
        case KT_STRING:
        case KT_ZSTRING:
            break;
        case KT_INTEGER:
        case KT_UNSIGNED:
            if (!validIntWidth(s.length)) return B_INVALID_KEY_LENGTH;
            break;
        case KT_AUTOINC:
            if (s.length != 2 && s.length != 4 && s.length != 8) return B_INVALID_KEY_LENGTH;
            if (k.segs.size() != 1 || (s.flags & KF_DUPLICATES)) return B_INVALID_KEY_FLAGS;
            break;
        case KT_FLOAT:
            if (s.length != 4 && s.length != 8) return B_INVALID_KEY_LENGTH;
            break;
        default:
            return B_INVALID_KEY_TYPE;
        }
    }
    if (total > kMaxKeyLength) return B_INVALID_KEY_LENGTH;
    return 0;
}

bool keyFromSpec(const uint8_t* p, int n, KeyDef& out) {
    out = KeyDef();
    int off = 0;
    while (off + kSegSize <= n) {
        Segment s = parseSegment(p + off);
        off += kSegSize;
        out.segs.push_back(s);
        if (!(s.flags & KF_SEGMENTED)) break;
    }
    if (out.segs.empty()) return false;
    if (out.usesAcs()) {
        if (off + kAcsSize <= n && p[off] == 0xAC)
            out.acs.assign(p + off, p + off + kAcsSize);
    }
    finishKey(out);
    return true;
}

const std::array<uint8_t, kAcsSize>& defaultAcs() {
    static const std::array<uint8_t, kAcsSize> table = [] {
        std::array<uint8_t, kAcsSize> t{};
        t[0] = 0xAC;
        std::memcpy(t.data() + 1, "UPPER   ", 8);
        for (int c = 0; c < 256; ++c) t[9 + c] = upperAscii(uint8_t(c));
        return t;
    }();
    return table;
}

std::string encodeRecordKey(const KeyDef& k, const uint8_t* rec, size_t len) {
    std::string out(size_t(k.rawLength), '\0');
    uint8_t* o = reinterpret_cast<uint8_t*>(out.data());
    uint8_t tmp[kMaxKeyLength + 8];
    for (const auto& s : k.segs) {
        const size_t start = size_t(s.position) - 1;
        const uint8_t* in = rec + start;
        if (start + s.length > len) {  // short record: missing bytes are zero
            std::memset(tmp, 0, s.length);
            if (start < len) std::memcpy(tmp, rec + start, len - start);
            in = tmp;
        }
        encodeSegment(s, k.acs, in, o);
        o += s.length;
    }
    return out;
}

std::string encodeBufferKey(const KeyDef& k, const uint8_t* key) {
    std::string out(size_t(k.rawLength), '\0');
    uint8_t* o = reinterpret_cast<uint8_t*>(out.data());
    for (const auto& s : k.segs) {
        encodeSegment(s, k.acs, key, o);
        key += s.length;
        o += s.length;
    }
    return out;
}

void extractRawKey(const KeyDef& k, const uint8_t* rec, size_t len, uint8_t* out) {
    for (const auto& s : k.segs) {
        const size_t start = size_t(s.position) - 1;
        if (start + s.length <= len)
            std::memcpy(out, rec + start, s.length);
        else
            for (size_t i = 0; i < s.length; ++i) out[i] = start + i < len ? rec[start + i] : 0;
        out += s.length;
    }
}

int64_t readAutoinc(const Segment& s, const uint8_t* rec) {
    const uint8_t* p = rec + s.position - 1;
    uint64_t v = 0;
    for (int i = s.length - 1; i >= 0; --i) v = (v << 8) | p[i];
    if (s.length < 8 && (v >> (s.length * 8 - 1)) & 1) v |= ~uint64_t(0) << (s.length * 8);
    return int64_t(v);
}

void writeAutoinc(const Segment& s, uint8_t* rec, int64_t v) {
    uint8_t* p = rec + s.position - 1;
    uint64_t u = uint64_t(v);
    for (int i = 0; i < s.length; ++i) {
        p[i] = uint8_t(u);
        u >>= 8;
    }
}

}  // namespace recman
