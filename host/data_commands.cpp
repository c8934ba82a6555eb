// bwpos export --company DIR FILE-NUMBER PATH [--columns LIST]
// bwpos import --company DIR FILE-NUMBER PATH [--columns LIST] [--update]
// bwpos files --company DIR
#include "host/data_commands.h"

#include "host/host_framework.h"
#include "host/host_session.h"

#include "bwps/check_table.h"
#include "bwps/session.h"
#include "bwps/transfer.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace host {

namespace {

constexpr int kDataSetCurrent = 16;
constexpr int kLineLength = 8192;

const char* const kUsage =
    "usage: bwpos export --company DIR FILE-NUMBER PATH [--columns LIST]\n"
    "       bwpos import --company DIR FILE-NUMBER PATH [--columns LIST] [--update]\n"
    "       bwpos files --company DIR\n";

int Fail(const std::string& text, int status)
{
    std::fprintf(stderr, "bwpos: %s\n", text.c_str());
    return status;
}

struct Entries {
    int (*Export)(TransferContext*) = nullptr;
    int (*Import)(TransferContext*) = nullptr;
    int (*ListColumns)(int, char*, int) = nullptr;
    int32_t (*RecordLength)(int) = nullptr;
    int (*LoadInterface)() = nullptr;
    int (*CheckAll)(void**) = nullptr;
    int (*CopyTable)(void*) = nullptr;
    int (*TableSize)() = nullptr;
};

template <typename F>
bool Find(void* lib, const char* name, F& out, std::string& error)
{
    out = reinterpret_cast<F>(dlsym(lib, name));
    if (out == nullptr) error = std::string("the base library has no ") + name;
    return out != nullptr;
}

struct Args {
    std::string company, path, columns;
    int file = 0;
    bool update = false;
};

int ImportCallback(TransferContext* c)
{
    const bool update = c->CallbackData != nullptr;
    if (c->Event == TRANSFER_EVENT_SCAN_LINE && c->Exists && !update) {
        const std::string text = std::string(c->Path) + ", line " + std::to_string(c->LineNumber) +
                                 ": a record with this key is already in the file (import with --update to change it)";
        std::snprintf(c->Error, sizeof c->Error, "%.*s", static_cast<int>(sizeof c->Error) - 1, text.c_str());
        c->Event = TRANSFER_EVENT_SCAN_FAILED;
        return 0;
    }
    if (c->Event == TRANSFER_EVENT_WRITE_LINE) c->Action = TRANSFER_ACTION_WRITE;
    return 1;
}

} // namespace

int RunDataCommand(int argc, char** argv)
{
    const std::string command = argv[1];
    Args a;
    std::vector<std::string> rest;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--company" || arg == "--columns") && i + 1 < argc) {
            (arg == "--company" ? a.company : a.columns) = argv[++i];
        } else if (arg == "--update" && command == "import") {
            a.update = true;
        } else if (arg.rfind("--", 0) == 0) {
            return Fail("unknown option " + arg + "\n" + kUsage, 2);
        } else {
            rest.push_back(arg);
        }
    }
    const bool transfer = command != "files";
    if (a.company.empty() || rest.size() != (transfer ? 2u : 0u)) return Fail(kUsage, 2);
    if (transfer) {
        char* end = nullptr;
        const long n = std::strtol(rest[0].c_str(), &end, 10);
        if (*end != '\0' || n < 1 || n > 100) return Fail("FILE-NUMBER is a data file number from 1 to 100", 2);
        a.file = static_cast<int>(n);
        a.path = fs::absolute(rest[1]).lexically_normal().string();
    }

    Libraries libs;
    std::string error;
    const std::string program = ProgramFolder();
    if (!LoadLibraries(program, libs, error)) return Fail(error, 3);
    if (!CheckBaseFolder(program, libs, error)) return Fail(error, 3);
    Entries e;
    if (!Find(libs.base, "ExportDataFileToText", e.Export, error) ||
        !Find(libs.base, "ImportDataFileFromText", e.Import, error) ||
        !Find(libs.base, "ListFileColumns", e.ListColumns, error) ||
        !Find(libs.base, "GetDataFileRecordLength", e.RecordLength, error) ||
        !Find(libs.base, "LoadSysInterfaceRecord", e.LoadInterface, error) ||
        !Find(libs.base, "CheckAllFilesStatus", e.CheckAll, error) ||
        !Find(libs.base, "CopyCheckTable", e.CopyTable, error) ||
        !Find(libs.base, "GetCheckTableSize", e.TableSize, error))
        return Fail(error, 3);

    std::error_code ec;
    const std::string company = fs::absolute(a.company, ec).lexically_normal().string();
    if (!fs::is_directory(company, ec)) return Fail("company folder " + company + " does not exist", 4);
    if (libs.DetectDataSetVersion(company.c_str()) != kDataSetCurrent)
        return Fail("no company in " + company + " (create one with: bwpos create-company DIR NAME)", 4);

    if (!UseScript("", error)) return Fail(error, 2);
    ClearTranscript();
    SetApplication("", "", "", "", company);
    libs.StartSession(program.c_str(), company.c_str());
    e.LoadInterface();

    int status = 0;
    if (command == "files") {
        e.CheckAll(nullptr);
        std::vector<FileCheckRow> rows(static_cast<size_t>(e.TableSize()));
        e.CopyTable(rows.data());
        std::printf("%-4s  %-32s  %s\n", "File", "Description", "Records");
        for (const FileCheckRow& r : rows) {
            if (r.FileNumber == 0) break;
            const char* what = r.Description != nullptr ? r.Description : "";
            if (r.FileNumber == CHECK_ALL_FILES)
                std::printf("%-4s  %-32s  %d\n", "all", what, static_cast<int>(r.RecordCount));
            else if (r.RecordCount < 0)
                std::printf("%-4d  %-32s  missing or unreadable\n", static_cast<int>(r.FileNumber), what);
            else
                std::printf("%-4d  %-32s  %d\n", static_cast<int>(r.FileNumber), what, static_cast<int>(r.RecordCount));
        }
    } else {
        TransferContext c;
        std::memset(&c, 0, sizeof c);
        c.FileNumber = a.file;
        c.LineLength = kLineLength;
        std::string list = a.columns;
        if (list.empty()) {
            char all[TRANSFER_COLUMN_TEXT_SIZE - 8] = {};
            if (e.ListColumns(a.file, all, sizeof all) == 0) {
                libs.StopSession();
                return Fail("the data dictionary has no column of file " + std::to_string(a.file), 2);
            }
            list = all;
        }
        std::snprintf(c.ColumnList, sizeof c.ColumnList, "FILE%d;%s", a.file, list.c_str());
        std::snprintf(c.Path, sizeof c.Path, "%s", a.path.c_str());
        c.Separator = ',';
        c.Quote = '"';
        std::vector<unsigned char> record(static_cast<size_t>(std::max(1, e.RecordLength(a.file))));
        c.Record = record.data();
        c.RecordLength = static_cast<int32_t>(record.size());
        int ok = 0;
        if (command == "export") {
            ok = e.Export(&c);
            if (ok) std::printf("Exported %d records of file %d to %s.\n", static_cast<int>(c.RecordCount), a.file, c.Path);
        } else {
            c.Callback = ImportCallback;
            c.CallbackData = a.update ? &c : nullptr;
            ok = e.Import(&c);
            if (ok) std::printf("Imported %d records into file %d from %s.\n", static_cast<int>(c.RecordCount), a.file, c.Path);
        }
        if (!ok) status = Fail(c.Error[0] ? c.Error : "the transfer failed", 1);
    }
    libs.StopSession();
    return status;
}

} // namespace host
