#include "extensions/convert/layouts.h"

#include <cstdio>
#include <cstring>

#include "fx.h"

namespace bwps1::convert {

void ApplyAt(std::span<const Move> moves, const uint8_t* old, size_t oldBase, uint8_t* out,
             size_t newBase)
{
    for (const Move& m : moves) {
        const uint8_t* from = old + oldBase + m.from;
        uint8_t* to = out + newBase + m.to;
        if (m.kind == Kind::Bytes) {
            std::memcpy(to, from, m.width);
            continue;
        }
        size_t n = 0;
        while (n < m.width && from[n] != 0) ++n;
        std::memset(to, 0, m.width);
        std::memcpy(to, from, n);
    }
}

void Apply(const Layout& layout, const uint8_t* old, uint8_t* out)
{
    std::memset(out, 0, layout.newLength);
    ApplyAt(layout.moves, old, 0, out, 0);
}

void PutText(uint8_t* out, size_t offset, size_t width, const char* text)
{
    std::memset(out + offset, 0, width);
    const size_t n = std::min(std::strlen(text), width);
    std::memcpy(out + offset, text, n);
}

int16_t Get16(const uint8_t* record, size_t offset)
{
    int16_t v;
    std::memcpy(&v, record + offset, 2);
    return v;
}

int32_t Get32(const uint8_t* record, size_t offset)
{
    int32_t v;
    std::memcpy(&v, record + offset, 4);
    return v;
}

double GetAmount(const uint8_t* record, size_t offset)
{
    double v;
    std::memcpy(&v, record + offset, 8);
    return v;
}

void Put16(uint8_t* record, size_t offset, int16_t value) { std::memcpy(record + offset, &value, 2); }
void Put32(uint8_t* record, size_t offset, int32_t value) { std::memcpy(record + offset, &value, 4); }
void PutAmount(uint8_t* record, size_t offset, double value) { std::memcpy(record + offset, &value, 8); }

void RightAlignText(uint8_t* record, size_t offset, int width)
{
    char text[64] = {};
    std::memcpy(text, record + offset, static_cast<size_t>(width));
    FxRightAlignNumber(text, width);
    std::memcpy(record + offset, text, static_cast<size_t>(width) + 1);
}

void PadTextBlanks(uint8_t* record, size_t offset, int width)
{
    char text[128] = {};
    std::memcpy(text, record + offset, static_cast<size_t>(width));
    text[width - 1] = 0;
    FxPadBlanks(text, width);
    std::memcpy(record + offset, text, static_cast<size_t>(width));
}

}  // namespace bwps1::convert
