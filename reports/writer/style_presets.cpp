// The label style presets: a 29-byte label style record whose last 24
// bytes are twelve 16-bit values, the preset's id and eleven layout
// values, taken from the preset table by id.
#include <cstdint>
#include <cstring>

#include "bwps/report_services.h"

namespace {

constexpr int kPresetOffset = 5;
constexpr int kPresetWords = 12;

const int16_t kPresets[][kPresetWords] = {
    {0, 1, 1, 1, 5, 1, 1, 40, 1, 1, 40, 1},  {1, 1, 6, 1, 6, 0, 2, 30, 1, 2, 54, 1},
    {2, 1, 6, 1, 9, 0, 2, 34, 1, 2, 62, 1},  {3, 3, 12, 1, 6, 0, 5, 23, 3, 8, 40, 4},
    {4, 3, 10, 1, 6, 0, 2, 23, 5, 2, 40, 6}, {5, 2, 10, 1, 6, 0, 2, 38, 3, 3, 63, 6},
    {6, 2, 7, 3, 8, 0, 2, 38, 3, 3, 63, 6},  {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

}  // namespace

extern "C" {

BWPS_EXPORT void StylePresetSelect(void* record, int id)
{
    if (record == nullptr)
        return;
    auto* preset = static_cast<uint8_t*>(record) + kPresetOffset;
    std::memset(preset, 0, kPresetWords * sizeof(int16_t));
    const auto word = static_cast<int16_t>(id);
    std::memcpy(preset, &word, sizeof word);
    for (const auto& entry : kPresets) {
        if (entry[0] == -1)
            break;
        if (entry[0] == id) {
            std::memcpy(preset, entry, sizeof entry);
            return;
        }
    }
}

BWPS_EXPORT void StylePresetInit(void* record)
{
    if (record == nullptr)
        return;
    std::memset(record, 0, kPresetOffset + kPresetWords * sizeof(int16_t));
    StylePresetSelect(record, 0);
}

}  // extern "C"
