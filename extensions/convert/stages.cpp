#include "extensions/convert/stages.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/records/general.h"
#include "extensions/convert/converters.h"
#include "extensions/convert/general_records.h"
#include "fx.h"
#include "recman.h"

namespace bwps1::convert {
namespace {

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;
namespace journal = bwps::conversion;

constexpr int kCreateOperation = B_INSERT;  // a failed creation is reported as an insert
constexpr int kTemporaryMode = 0x100;
constexpr int kGeneralRecordBuffer = 8192;
constexpr int kCountEvery = 50;
// "0Interface     ": the receivables account of customers.
constexpr size_t kInterfaceAccounts = 17;
constexpr size_t kInterfaceAccountWidth = 11;

std::string Join(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p + "/" + name;
}

std::string NameOf(FileNo file)
{
    char name[FOLDER_BUFFER_SIZE] = {};
    CopyDataFileName(No(file), name);
    return name;
}

int32_t StatLength(uint16_t handle, int* status)
{
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
    *status = BtrStat(handle, stat.data());
    if (*status != 0) return -1;
    uint16_t length = 0;
    std::memcpy(&length, stat.data(), 2);
    return length;
}

ConvertContext ContextOf(const std::string& folder, int code)
{
    ConvertContext context;
    if (code != 10 && code != 11) return context;
    Table general;
    if (!general.OpenPath(FileNo::General, Join(folder, NameOf(FileNo::General)).c_str()).Ok())
        return context;
    uint8_t record[kGeneralRecordBuffer] = {};
    int length = 0;
    if (ReadSetting(general.Handle(), GENERAL_KEY_INTERFACE, record, sizeof record, &length).Ok() &&
        length >= static_cast<int>(kInterfaceAccounts + 2 * kInterfaceAccountWidth)) {
        const uint8_t* account = record + kInterfaceAccounts + kInterfaceAccountWidth;
        size_t n = 0;
        while (n < kInterfaceAccountWidth - 1 && account[n] != 0) ++n;
        std::memcpy(context.customerAccount, account, n);
    }
    return context;
}

// Every record of the general file at `from` into `to` (empty, same keys),
// each at its own length.
Status CopyGeneralRecords(uint16_t from, uint16_t to)
{
    std::vector<uint8_t> record(kGeneralRecordBuffer);
    bwps::KeyBuffer key;
    for (int status = BtrGet(B_GET_FIRST, from, key.bytes, record.data(), kGeneralRecordBuffer);;
         status = BtrGet(B_GET_NEXT, from, key.bytes, record.data(), kGeneralRecordBuffer)) {
        if (status == B_END_OF_FILE) return {};
        if (status != 0) return {status, B_GET_NEXT, FileNo::General};
        bwps::KeyBuffer newKey;
        const int length = BtrCall218(from);
        status = BtrWrite(B_INSERT, to, newKey.bytes, record.data(), length);
        if (status != 0) return {status, B_INSERT, FileNo::General};
    }
}

// Every record of the old file rebuilt into the new one.
Status CopyRecords(const FileConverter& converter, uint16_t from, uint16_t to,
                   const ConvertContext& context, StageProgress& progress)
{
    std::vector<uint8_t> old(converter.oldLength);
    std::vector<uint8_t> record(converter.newLength);
    bwps::KeyBuffer key;
    int32_t count = 0;
    for (int status = BtrGet(B_GET_FIRST, from, key.bytes, old.data(), converter.oldLength);;
         status = BtrGet(B_GET_NEXT, from, key.bytes, old.data(), converter.oldLength)) {
        if (status == B_END_OF_FILE) break;
        if (status != 0) return {status, B_GET_NEXT, converter.file};
        converter.build(old.data(), record.data(), context);
        bwps::KeyBuffer newKey;
        status = BtrWrite(B_INSERT, to, newKey.bytes, record.data(), converter.newLength);
        if (status != 0) return {status, B_INSERT, converter.file};
        if (++count % kCountEvery == 0) progress.Records(count, false);
        std::memset(old.data(), 0, old.size());
    }
    progress.Records(count, true);
    return {};
}

Status BuildFile(const std::string& folder, int code, FileNo file, uint16_t keyHandle,
                 const ConvertContext& context, StageProgress& progress)
{
    const std::string name = NameOf(file);
    const std::string path = Join(folder, name);
    const std::string temporary = Join(folder, TemporaryName(name));
    uint8_t spec[FILE_SPEC_SIZE] = {};
    int status = CreateDataFile(No(file), keyHandle, folder.c_str(), "TMP", spec);
    if (status != 0) return {status, kCreateOperation, file};

    Table fresh;
    Table old;
    Status s = fresh.OpenPath(file, temporary.c_str(), kTemporaryMode);
    if (s.Ok()) s = old.OpenPath(file, path.c_str(), 0);
    if (!s.Ok()) return s;
    progress.File(name.c_str());
    if (file == FileNo::General) {
        s = CopyGeneralRecords(old.Handle(), fresh.Handle());
        if (s.Ok()) s = ConvertGeneralRecords(code, fresh.Handle());
        return s;
    }
    const FileConverter* converter = FindConverter(code, file);
    if (converter == nullptr) return {B_INVALID_OPERATION, B_INSERT, file};
    return CopyRecords(*converter, old.Handle(), fresh.Handle(), context, progress);
}

}  // namespace

void StageProgress::Step()
{
    ++steps_;
    if (window_) FxProgressStep(window_, steps_);
}

void StageProgress::File(const char* name)
{
    file_ = name;
    if (window_) FxProgressSetLine(window_, 0, name);
}

void StageProgress::Records(int32_t count, bool last)
{
    if (!window_) return;
    char line[100];
    std::snprintf(line, sizeof line, "%s: %d record%s%s", file_.c_str(), static_cast<int>(count),
                  count == 1 ? "" : "s", last ? " converted" : "");
    FxProgressSetLine(window_, 1, line);
}

bool StageProgress::Cancelled()
{
    // Headless, a key of the script belongs to the screens that follow.
    if (!FxUsingTerminal()) return false;
    for (int key = FxGetKey(0); key != 0; key = FxGetKey(0))
        if (key == FX_KEY_ESC) return true;
    return false;
}

std::string TemporaryName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ".TMP";
}

std::string BackupName(const std::string& name, int code)
{
    const char* extension = BackupExtension(code);
    if (extension == nullptr) return name;
    const size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + "." + extension;
}

Status CheckStageFiles(const std::string& folder, int code, std::vector<std::string>* otherLayout)
{
    for (FileNo file : StageFiles(code)) {
        const std::string name = NameOf(file);
        const std::string path = Join(folder, name);
        Table table;
        Status s = table.OpenPath(file, path.c_str(), 0);
        if (!s.Ok()) {
            s.Report();
            return s;
        }
        if (::access(path.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK) != 0) {
            s = {B_PERMISSION_ERROR, bwps::kOpenOperation, file};
            s.Report();
            return s;
        }
        if (file == FileNo::General) continue;
        const FileConverter* converter = FindConverter(code, file);
        int status = 0;
        const int32_t length = StatLength(table.Handle(), &status);
        if (status != 0) {
            s = {status, bwps::kOpenOperation, file};
            s.Report();
            return s;
        }
        if (converter == nullptr || length != converter->oldLength) otherLayout->push_back(name);
    }
    if (!otherLayout->empty()) return {B_INVALID_RECORD_LENGTH, bwps::kOpenOperation, FileNo::None};
    return {};
}

Status BuildStage(const std::string& folder, int code, journal::Journal& record,
                  StageProgress& progress)
{
    const auto files = StageFiles(code);
    for (FileNo file : files) record.temporary.push_back(TemporaryName(NameOf(file)));
    if (!journal::WriteJournal(folder, record)) return {B_DISK_FULL, B_INSERT, FileNo::None};

    Table keys;
    Status s = keys.Open(FileNo::KeyDefinitions);
    if (!s.Ok()) {
        s.Report();
        return s;
    }
    const ConvertContext context = ContextOf(folder, code);
    for (FileNo file : files) {
        s = BuildFile(folder, code, file, keys.Handle(), context, progress);
        if (s.Ok() && progress.Cancelled()) s = {FX_KEY_ESC, 0, file};
        if (!s.Ok()) {
            if (s.status != FX_KEY_ESC) Status{s.status, B_INSERT, file}.Report();
            for (const std::string& name : record.temporary) journal::RemoveDataFile(Join(folder, name));
            return s;
        }
        progress.Step();
    }
    return {};
}

Status SwapStage(const std::string& folder, int code, journal::Journal& record, StageProgress& progress)
{
    for (FileNo file : StageFiles(code)) {
        const std::string name = NameOf(file);
        record.swapped.emplace_back(name, BackupName(name, code));
    }
    if (!journal::WriteJournal(folder, record)) return {B_DISK_FULL, B_INSERT, FileNo::None};
    for (const auto& [name, backup] : record.swapped) {
        const std::string path = Join(folder, name);
        if (!journal::MoveDataFile(path, Join(folder, backup)) ||
            !journal::MoveDataFile(Join(folder, TemporaryName(name)), path))
            return {B_IO_ERROR, B_INSERT, FileNo::None};
        progress.Step();
    }
    return {};
}

}  // namespace bwps1::convert
