// The ordinal table of bwpsbase: entries that callers reach by number.
#include "bwps/ordinals.h"

#include <map>

namespace {

struct OrdinalEntry {
    void* entry;
    const char* name;
};

// Built on first use, so that registrations from any source file work
// whatever order the library's initialisers run in.
std::map<int, OrdinalEntry>& OrdinalTable()
{
    static std::map<int, OrdinalEntry> table;
    return table;
}

}  // namespace

extern "C" {

BWPS_EXPORT int BWPSRegisterOrdinal(int ordinal, void* entry, const char* name)
{
    if (entry == nullptr)
        return 0;
    return OrdinalTable().emplace(ordinal, OrdinalEntry{entry, name}).second ? 1 : 0;
}

BWPS_EXPORT void* BWPSOrdinal(int ordinal)
{
    auto& table = OrdinalTable();
    auto it = table.find(ordinal);
    return it == table.end() ? nullptr : it->second.entry;
}

BWPS_EXPORT const char* BWPSOrdinalName(int ordinal)
{
    auto& table = OrdinalTable();
    auto it = table.find(ordinal);
    return it == table.end() ? nullptr : it->second.name;
}

}  // extern "C"
