// Record layouts of older releases and how each field moves into the
// current layout. A layout is a table of moves (field, old offset, new
// offset, width); the new record starts as zero bytes of the new length and
// every byte not named stays zero. Each table is checked at compile time
// against both record lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace bwps1::convert {

enum class Kind : uint8_t {
    Bytes,  // the bytes as they are
    Text,   // a zero-ended text: the bytes up to its zero, at most the width
};

struct Move {
    const char* field;
    uint16_t from;   // offset in the old record
    uint16_t to;     // offset in the new record
    uint16_t width;  // bytes
    Kind kind = Kind::Bytes;
};

constexpr Move Text(const char* field, uint16_t from, uint16_t to, uint16_t width)
{
    return Move{field, from, to, width, Kind::Text};
}
constexpr Move Bytes(const char* field, uint16_t from, uint16_t to, uint16_t width)
{
    return Move{field, from, to, width, Kind::Bytes};
}

struct Layout {
    const char* name;
    uint16_t oldLength;
    uint16_t newLength;
    std::span<const Move> moves;
};

// True when every move lies inside both records.
template <size_t N>
constexpr bool MovesFit(const Move (&moves)[N], int oldLength, int newLength)
{
    for (const Move& m : moves)
        if (m.width == 0 || m.from + m.width > oldLength || m.to + m.width > newLength) return false;
    return true;
}

// Clears `out` to the new length and carries the moves over.
void Apply(const Layout& layout, const uint8_t* old, uint8_t* out);
// Carries the moves over without clearing (a layout applied inside a
// record that another layout already began).
void ApplyAt(std::span<const Move> moves, const uint8_t* old, size_t oldBase, uint8_t* out,
             size_t newBase);

// Small helpers on raw record bytes.
void PutText(uint8_t* out, size_t offset, size_t width, const char* text);
int16_t Get16(const uint8_t* record, size_t offset);
int32_t Get32(const uint8_t* record, size_t offset);
double GetAmount(const uint8_t* record, size_t offset);
void Put16(uint8_t* record, size_t offset, int16_t value);
void Put32(uint8_t* record, size_t offset, int32_t value);
void PutAmount(uint8_t* record, size_t offset, double value);
// A text right-aligned in `width` characters (the field holds width + 1).
void RightAlignText(uint8_t* record, size_t offset, int width);
// A text blank-padded to width - 1 characters and a zero.
void PadTextBlanks(uint8_t* record, size_t offset, int width);

}  // namespace bwps1::convert
