// Writes the program folder's base folder RAZAVUR and dictionary folder
// ROVAZERI from the tables.
#pragma once

#include "column_table.h"
#include "formvar_table.h"
#include "key_table.h"
#include "message_table.h"
#include "resource_table.h"

#include <bwps/records.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace basefiles {

struct Tables {
    KeyTable keys;
    MessageTable messages;
    ResourceTable resources;
    ColumnTable columns;
    FormVariableTable formVariables;
    // The sample forms of the base folder, by file name.
    std::map<std::string, std::string> forms;
};

// Reads keys.txt, messages.txt, resources.txt, columns.txt, formvars.txt
// and the sample forms forms/*.FMT of a table folder; the columns are
// checked against the keys' record lengths, the forms' tags against the
// form variables.
Tables LoadTables(const std::string& tableDir);

// The 16-byte file specification of a table row: record length, page size,
// the number of keys at byte 4, the variable-length flag when the file has
// variable-length records; every other byte 0.
TagFileSpec MakeFileSpec(const FileKeys& file);

// Creates one record-manager file at `path` from its table row; throws
// BuildError with the status.
void CreateFromTable(const FileKeys& file, const std::string& path);

// Inserts fixed-length records into a file created at `path`.
void InsertRecords(const std::string& path, const void* records, size_t recordSize, size_t count);

// Writes every base file into `baseDir` (which must exist and be empty).
void WriteBaseFiles(const Tables& tables, const std::string& baseDir);

// Writes the dictionary folder's files into `dictionaryDir`.
void WriteDictionaryFiles(const Tables& tables, const std::string& dictionaryDir);

// Builds PROGRAMDIR/RAZAVUR and PROGRAMDIR/ROVAZERI: each is written into a
// fresh folder beside it and then put in place, so a failed run leaves the
// previous folders as they were. Files in the old folders that the builder
// does not write (the company list, stations and forms that the program
// wrote there) are carried over.
void BuildProgramFolders(const Tables& tables, const std::string& programDir);

}  // namespace basefiles
