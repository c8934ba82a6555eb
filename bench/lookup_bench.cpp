// Opening a lookup over 100,000 records and paging through it: the reads
// and the time of one open plus one PgDn.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fx.h"
#include "lookup.h"
#include "recman.h"

namespace {

#pragma pack(push, 1)
struct Row {
    char code[11];
    char name[21];
};
#pragma pack(pop)

struct BigFile {
    std::string folder;
    uint16_t handle = 0;
    BigFile()
    {
        char pattern[] = "/tmp/lookup-bench-XXXXXX";
        folder = mkdtemp(pattern);
        const std::string path = folder + "/BIG.DB";
        uint8_t spec[16] = {}, keys[16] = {};
        spec[0] = sizeof(Row);
        spec[3] = 0x10; // 4096
        spec[4] = 1;
        keys[0] = 1;
        keys[2] = 11;
        keys[4] = KF_MODIFIABLE;
        BtrCreateFile(path.c_str(), spec, keys);
        BtrOpenFile(&handle, path.c_str(), 0, 0);
        BtrTransaction(B_BEGIN_TRAN);
        for (int i = 0; i < 100000; ++i) {
            Row r{};
            std::snprintf(r.code, sizeof r.code, "K%06d", i);
            std::snprintf(r.name, sizeof r.name, "name %06d", i);
            char key[255] = {};
            BtrWrite(B_INSERT, handle, key, &r, sizeof r);
        }
        BtrTransaction(B_END_TRAN);
    }
    ~BigFile()
    {
        BtrCloseFile(handle);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

void OpenAndPageDown(benchmark::State& state)
{
    static BigFile file;
    TagLookUpField columns[3] = {};
    std::snprintf(columns[0].Title, sizeof columns[0].Title, "Code");
    std::snprintf(columns[0].Picture, sizeof columns[0].Picture, "%%-10s");
    columns[0].Type = 2;
    std::snprintf(columns[1].Title, sizeof columns[1].Title, "Name");
    std::snprintf(columns[1].Picture, sizeof columns[1].Picture, "%%-20s");
    columns[1].Type = 2;
    columns[1].Offset = 11;
    long reads = 0;
    for (auto _ : state) {
        FxReset();
        Row record{};
        TagLookUpData data{};
        data.Handle = file.handle;
        data.RecordLength = sizeof record;
        data.Record = &record;
        std::snprintf(data.KeyBuffer, sizeof data.KeyBuffer, "K050000");
        TagLookUp lookup{};
        lookup.Data = &data;
        lookup.Columns = columns;
        lookup.Row = 2;
        lookup.Column = 2;
        lookup.Height = 22;
        lookup.Width = 60;
        lookup.StartMode = LK_START_SEARCH;
        FxScriptLoad("key PgDn\nkey Enter\n");
        CDbListCtrl list(0);
        CDbLookDlg dialog(&lookup, LK_DIALOG_ID, &list);
        benchmark::DoNotOptimize(dialog.Process());
        reads = dialog.ReadCount();
    }
    state.counters["reads"] = static_cast<double>(reads);
}

BENCHMARK(OpenAndPageDown)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
