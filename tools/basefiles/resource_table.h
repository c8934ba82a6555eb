// The screen-resource table: texts, text lists and window texts of the
// screen resource files, read from tools/tables/resources.txt, and the
// 264-byte records built from it.
#pragma once

#include <bwps/files.h>

#include <fx.h>

#include <istream>
#include <map>
#include <string>
#include <vector>

namespace basefiles {

struct Resource {
    int file = 0;          // 90, 91, 92, 93 or 95
    int kind = 0;          // FX_RES_STRING, FX_RES_TEXTLIST, FX_RES_SCREEN
    int number = 0;        // text or list number; for screens a running number
    std::string screen;    // window name of a screen text
    int line = 0;
    std::string text;      // escapes resolved
    int tableLine = 0;
};

struct ResourceTable {
    std::vector<Resource> resources;  // in table order
};

// The resource files, in catalogue order.
inline constexpr int kResourceFiles[] = {
    bwps::No(bwps::FileNo::Resources1), bwps::No(bwps::FileNo::Resources2),
    bwps::No(bwps::FileNo::Resources3), bwps::No(bwps::FileNo::Resources4),
    bwps::No(bwps::FileNo::Resources6)};

ResourceTable ParseResourceTable(std::istream& in, const std::string& source);
ResourceTable LoadResourceTable(const std::string& path);

// The records of each resource file, keyed by file number; every resource
// file has an entry (possibly empty).
std::map<int, std::vector<FxResourceRecord>> BuildResourceRecords(const ResourceTable& table);

}  // namespace basefiles
