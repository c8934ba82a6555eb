#include "builder.h"

#include "table_error.h"

#include <bwps/files.h>
#include <bwps/table.h>
#include <bwps/records/items.h>
#include <bwps/records/stations.h>
#include <recman.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace basefiles {

namespace {

using bwps::FileNo;
using bwps::No;

constexpr size_t kSegmentBufferEntries = 1536 / sizeof(TagKeySegment);

// Record-manager files of the base folder that start empty. The company
// list (85), the stations (86) and the cash drawers (100) are created by
// the program itself when it first needs them.
constexpr FileNo kEmptyBaseFiles[] = {FileNo::MenuRights, FileNo::BarcodePrinters};

// Seed files that company creation copies from the base folder into every
// new company: data files under their catalogue names, the report and query
// definitions under the lower-case names the copy uses, and the import
// templates. They start empty except for the weight unit "gm", which the
// weight-unit services fall back to and never let go.
struct SeedDataFile {
    FileNo file;
    const char* name;
};
constexpr SeedDataFile kSeedDataFiles[] = {
    {FileNo::Accounts, "BPOSACCT.DB"},     {FileNo::BillingCodes, "BPOSBICD.DB"},
    {FileNo::TaxTable, "BPOSTXTB.DB"},     {FileNo::Terms, "BPOSTERM.DB"},
    {FileNo::Units, "BPOSWUNI.DB"},        {FileNo::MessageCodes, "BPOSMSGS.DB"},
    {FileNo::ReportFields, "bposrfld.db"}, {FileNo::ReportTexts, "bposrtxt.db"},
    {FileNo::ReportHeaders, "bposrhed.db"}, {FileNo::QueryColumns, "bposqcol.db"},
    {FileNo::QueryExpressions, "bposqexp.db"}, {FileNo::QueryHeaders, "bposqhed.db"},
};

// Import templates: the file type, ":", the field numbers, "." (here only
// each file's code field).
struct SeedTemplate {
    const char* name;
    const char* text;
};
constexpr SeedTemplate kSeedTemplates[] = {
    {"CUSTOMER.IPT", "10:1."},
    {"PRODUCT.IPT", "20:1."},
    {"SERVICE.IPT", "21:1."},
    {"PROMO.IPT", "47:3."},
};


WeightUnitRecord Grams() {
    WeightUnitRecord w;
    std::memset(&w, 0, sizeof w);
    std::memcpy(w.code, "gm", 2);
    std::memcpy(w.description, "Grams", 5);
    w.factor = 1.0;
    w.isDefault = 'N';
    return w;
}

// The one receipt-printer definition shipped in the printer catalogue: the
// printer that a new station starts with.
StationPrinterEntry DefaultPrinter() {
    StationPrinterEntry p;
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.name, "IBM-Default   ", 14);
    p.flag15 = 'N';
    p.port = 1;
    p.normalCodes[0] = 18;
    p.condensedCodes[0] = 15;
    return p;
}

// Help file of the base folder: the help calls only record their topic, so
// the file only has to be there.
constexpr const char kHelpText[] =
    "Point of sale back office help\r\n"
    "Press F1 on any screen for the help topic of that screen.\r\n";

std::string Status(int status) { return "record-manager status " + std::to_string(status); }

const FileKeys& Row(const KeyTable& table, FileNo file) {
    const FileKeys* f = table.find(No(file));
    if (!f) throw BuildError("the key table has no row for file " + std::to_string(No(file)));
    return *f;
}

void WriteTextFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw BuildError("cannot write " + path.string());
}

// Files that the program itself wrote into a folder (the company list,
// stations, cash drawers, forms ...) are carried over into the fresh folder:
// only the files the builder writes are replaced.
void KeepProgramFiles(const fs::path& target, const fs::path& fresh) {
    if (!fs::is_directory(target)) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(target)) {
        fs::path into = fresh / entry.path().filename();
        if (fs::exists(fs::symlink_status(into))) continue;
        fs::copy(entry.path(), into, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
}

void ReplaceFolder(const fs::path& fresh, const fs::path& target) {
    KeepProgramFiles(target, fresh);
    fs::path old = target;
    old += ".old";
    std::error_code ec;
    fs::remove_all(old, ec);
    if (fs::exists(target)) fs::rename(target, old);
    fs::rename(fresh, target);
    fs::remove_all(old, ec);
}

fs::path FreshFolder(const fs::path& target) {
    fs::path fresh = target;
    fresh += ".new";
    fs::remove_all(fresh);
    fs::create_directories(fresh);
    return fresh;
}

}  // namespace

Tables LoadTables(const std::string& tableDir) {
    Tables t;
    t.keys = LoadKeyTable((fs::path(tableDir) / "keys.txt").string());
    t.messages = LoadMessageTable((fs::path(tableDir) / "messages.txt").string());
    t.resources = LoadResourceTable((fs::path(tableDir) / "resources.txt").string());
    const fs::path columns = fs::path(tableDir) / "columns.txt";
    if (fs::exists(columns)) {
        t.columns = LoadColumnTable(columns.string());
        CheckColumnTable(t.columns, t.keys);
    }
    const fs::path variables = fs::path(tableDir) / "formvars.txt";
    if (fs::exists(variables)) {
        t.formVariables = LoadFormVariableTable(variables.string());
        t.forms = LoadSampleForms((fs::path(tableDir) / "forms").string(), t.formVariables);
    }
    return t;
}

TagFileSpec MakeFileSpec(const FileKeys& file) {
    TagFileSpec spec;
    std::memset(&spec, 0, sizeof spec);
    spec.RecordLength = static_cast<uint16_t>(file.recordLength);
    spec.PageSize = static_cast<uint16_t>(file.pageSize);
    spec.KeyCount = static_cast<uint8_t>(file.keys.size());
    if (file.variable) spec.Flags |= FF_VARIABLE;
    return spec;
}

void CreateFromTable(const FileKeys& file, const std::string& path) {
    TagFileSpec spec = MakeFileSpec(file);
    // A cleared buffer of the size data-file creation uses: the record
    // manager stops at the first all-zero segment after the last key.
    std::vector<TagKeySegment> segments = FileSegmentSpecs(file);
    segments.resize(kSegmentBufferEntries, TagKeySegment{});
    int status = BtrCreateFile(path.c_str(), &spec, segments.data());
    if (status != 0) throw BuildError("cannot create " + path + ": " + Status(status));
}

void InsertRecords(const std::string& path, const void* records, size_t recordSize, size_t count) {
    // The file is closed on every way out, a failed insert included.
    bwps::Table file;
    const bwps::Status opened = file.OpenPath(FileNo::None, path.c_str());
    if (!opened.Ok()) throw BuildError("cannot open " + path + ": " + Status(opened.status));
    std::vector<char> record(recordSize);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(record.data(), static_cast<const char*>(records) + i * recordSize, recordSize);
        bwps::KeyBuffer key;
        const bwps::Status s = file.Write(B_INSERT, record.data(), static_cast<int>(recordSize), &key);
        if (!s.Ok())
            throw BuildError("cannot insert record " + std::to_string(i + 1) + " into " + path + ": " +
                             Status(s.status));
    }
    const int status = BtrCloseFile(file.Release());
    if (status != 0) throw BuildError("cannot close " + path + ": " + Status(status));
}

void WriteBaseFiles(const Tables& tables, const std::string& baseDir) {
    const KeyTable& keys = tables.keys;
    fs::path base(baseDir);

    const FileKeys& keyFile = Row(keys, FileNo::KeyDefinitions);
    std::string keyPath = (base / keyFile.name).string();
    CreateFromTable(keyFile, keyPath);
    std::vector<TagKeyDefinition> definitions = BuildKeyFileRecords(keys);
    InsertRecords(keyPath, definitions.data(), sizeof(TagKeyDefinition), definitions.size());

    const FileKeys& messageFile = Row(keys, FileNo::MessageTexts);
    std::string messagePath = (base / messageFile.name).string();
    CreateFromTable(messageFile, messagePath);
    std::vector<MessageRecord> messages = BuildMessageRecords(tables.messages);
    InsertRecords(messagePath, messages.data(), sizeof(MessageRecord), messages.size());

    const FileKeys& printerFile = Row(keys, FileNo::Printers);
    std::string printerPath = (base / printerFile.name).string();
    CreateFromTable(printerFile, printerPath);
    StationPrinterEntry printer = DefaultPrinter();
    InsertRecords(printerPath, &printer, sizeof printer, 1);

    for (const auto& [number, records] : BuildResourceRecords(tables.resources)) {
        const FileKeys& file = Row(keys, static_cast<FileNo>(number));
        std::string path = (base / file.name).string();
        CreateFromTable(file, path);
        InsertRecords(path, records.data(), sizeof(FxResourceRecord), records.size());
    }

    for (FileNo number : kEmptyBaseFiles) {
        const FileKeys& file = Row(keys, number);
        CreateFromTable(file, (base / file.name).string());
    }

    const FileKeys& variableFile = Row(keys, FileNo::FormVariables);
    const std::string variablePath = (base / variableFile.name).string();
    CreateFromTable(variableFile, variablePath);
    const std::vector<TagColumnVar>& variables = tables.formVariables.records;
    if (!variables.empty()) InsertRecords(variablePath, variables.data(), sizeof(TagColumnVar), variables.size());
    for (const auto& [name, text] : tables.forms) WriteTextFile(base / name, text);

    WriteTextFile(base / "WBPSDTL.HLP", kHelpText);

    for (const SeedDataFile& seed : kSeedDataFiles) {
        std::string path = (base / seed.name).string();
        CreateFromTable(Row(keys, seed.file), path);
        if (seed.file == FileNo::Units) {
            WeightUnitRecord grams = Grams();
            InsertRecords(path, &grams, sizeof grams, 1);
        }
    }
    for (const SeedTemplate& t : kSeedTemplates) WriteTextFile(base / t.name, t.text);
}

void WriteDictionaryFiles(const Tables& tables, const std::string& dictionaryDir) {
    const FileKeys& dictionary = Row(tables.keys, FileNo::DictionaryColumns);
    const std::string path = (fs::path(dictionaryDir) / dictionary.name).string();
    CreateFromTable(dictionary, path);
    const std::vector<TagDictionaryRecord> records = DictionaryRecords(tables.columns);
    if (!records.empty()) InsertRecords(path, records.data(), sizeof records[0], records.size());
}

void BuildProgramFolders(const Tables& tables, const std::string& programDir) {
    fs::path program(programDir);
    fs::path base = program / "RAZAVUR";
    fs::path dictionary = program / "ROVAZERI";
    fs::path freshBase, freshDictionary;
    auto dropFresh = [&] {
        std::error_code ec;
        if (!freshBase.empty()) fs::remove_all(freshBase, ec);
        if (!freshDictionary.empty()) fs::remove_all(freshDictionary, ec);
    };
    try {
        fs::create_directories(program);
        freshBase = FreshFolder(base);
        WriteBaseFiles(tables, freshBase.string());
        freshDictionary = FreshFolder(dictionary);
        WriteDictionaryFiles(tables, freshDictionary.string());
        ReplaceFolder(freshBase, base);
        ReplaceFolder(freshDictionary, dictionary);
    } catch (const fs::filesystem_error& e) {
        dropFresh();
        throw BuildError(e.what());
    } catch (...) {
        dropFresh();
        throw;
    }
}

}  // namespace basefiles
