// A lookup list in the terminal: 40 items in a scratch file, picked with
// the keys; the pick is written to the file named on the command line.
//   lookup_demo OUT-FILE FOLDER
#include <cstdio>
#include <cstring>
#include <string>

#include "fx.h"
#include "lookup.h"
#include "recman.h"

namespace {

#pragma pack(push, 1)
struct Item {
    char code[11];
    char name[21];
};
#pragma pack(pop)

void Put16(uint8_t* p, int v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string path = std::string(argv[2]) + "/ITEMS.DB";
    uint8_t spec[16] = {}, keys[16] = {};
    Put16(spec, sizeof(Item));
    Put16(spec + 2, 4096);
    spec[4] = 1;
    Put16(keys, 1);
    Put16(keys + 2, 11);
    Put16(keys + 4, KF_MODIFIABLE);
    uint16_t handle = 0;
    if (BtrCreateFile(path.c_str(), spec, keys) != 0 || BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
        return 1;
    for (int i = 1; i <= 40; ++i) {
        Item item{};
        std::snprintf(item.code, sizeof item.code, "K%02d", i);
        std::snprintf(item.name, sizeof item.name, "Item number %02d", i);
        char key[255] = {};
        BtrWrite(B_INSERT, handle, key, &item, sizeof item);
    }
    TagLookUpField columns[3] = {};
    std::snprintf(columns[0].Title, sizeof columns[0].Title, "Code");
    std::snprintf(columns[0].Picture, sizeof columns[0].Picture, "%%-10s");
    columns[0].Type = 2;
    std::snprintf(columns[1].Title, sizeof columns[1].Title, "Name");
    std::snprintf(columns[1].Picture, sizeof columns[1].Picture, "%%-20s");
    columns[1].Type = 2;
    columns[1].Offset = 11;
    Item record{};
    uint8_t work[32] = {};
    TagLookUpData data{};
    data.Handle = handle;
    data.RecordLength = sizeof record;
    data.Record = &record;
    TagLookUp lookup{};
    lookup.Row = 2;
    lookup.Column = 5;
    lookup.Height = 14;
    lookup.Width = 50;
    lookup.Title = "Demo Items";
    lookup.SearchPrompt = "Search :";
    lookup.Data = &data;
    lookup.Columns = columns;
    lookup.WorkArea = work;
    lookup.StartMode = LK_START_FIRST;
    FxStart();
    CDbLookDlg dialog(&lookup, LK_DIALOG_ID, nullptr);
    const int picked = dialog.Process();
    FxStop();
    BtrCloseFile(handle);
    if (FILE* out = std::fopen(argv[1], "w")) {
        std::fprintf(out, "%s\n", picked ? record.code : "cancelled");
        std::fclose(out);
    }
    return 0;
}
