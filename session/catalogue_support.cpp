// Helpers shared by the catalogue, settings, versions and company-id code:
// progress windows, today's date, file statistics and moving files.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "fx.h"
#include "recman.h"
#include "session/catalogue_internal.h"

namespace bwps::catalogue {

Progress::Progress(const char* screenName, int steps)
    : window_(reinterpret_cast<intptr_t>(FxProgressOpen(screenName, steps)))
{
}

Progress::~Progress()
{
    if (window_)
        FxProgressClose(reinterpret_cast<FxStatus*>(window_));
}

void Progress::Step()
{
    ++count_;
    if (window_)
        FxProgressStep(reinterpret_cast<FxStatus*>(window_), count_);
}

void Concat(char* out, size_t size, const char* a, const char* b, const char* c)
{
    if (!out || size == 0)
        return;
    char joined[1024];
    size_t n = 0;
    for (const char* part : {a, b, c}) {
        if (!part)
            continue;
        size_t len = std::strlen(part);
        if (n + len >= sizeof joined)
            len = sizeof joined - 1 - n;
        std::memcpy(joined + n, part, len);
        n += len;
    }
    if (n >= size)
        n = size - 1;
    std::memcpy(out, joined, n);
    out[n] = '\0';
}

int32_t Today()
{
    return FxToday();
}

namespace {

// One field of the statistics: record length (16-bit) at 0, page size at
// 2, key count at 4, record count (32-bit) at 6. -1 when the file cannot
// be read.
template <typename Field>
int32_t StatField(uint16_t handle, int* status, size_t offset)
{
    unsigned char buffer[RECMAN_STAT_BUFFER];
    std::memset(buffer, 0, sizeof buffer);
    int s = BtrStat(handle, buffer);
    if (status)
        *status = s;
    if (s != 0)
        return -1;
    Field value;
    std::memcpy(&value, buffer + offset, sizeof value);
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t StatRecordLength(uint16_t handle, int* status)
{
    return StatField<uint16_t>(handle, status, 0);
}

int32_t StatRecordCount(uint16_t handle, int* status)
{
    return StatField<uint32_t>(handle, status, 6);
}

bool MoveFile(const char* from, const char* to)
{
    if (std::rename(from, to) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    // Another file system: copy, then remove the source.
    std::FILE* in = std::fopen(from, "rb");
    if (!in)
        return false;
    std::FILE* out = std::fopen(to, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    char chunk[65536];
    bool ok = true;
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        if (std::fwrite(chunk, 1, n, out) != n) {
            ok = false;
            break;
        }
    std::fclose(in);
    if (std::fclose(out) != 0)
        ok = false;
    if (!ok) {
        std::remove(to);
        return false;
    }
    std::remove(from);
    return true;
}

}  // namespace bwps::catalogue
