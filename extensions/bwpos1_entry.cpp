// Load and unload of bwpos-1 and its ordinal table.
#include "extensions/company/company.h"
#include "extensions/company/services.h"

#include "bwps/check_table.h"
#include "bwps/session.h"
#include "fx.h"

#include <cstring>

namespace {

void* g_checkTable = nullptr;

// A private copy of the data-file check table of bwpsbase (67 entries), in
// framework memory.
void LoadCheckTableCopy()
{
    if (g_checkTable) return;
    const int count = GetCheckTableSize();
    const int entry = GetCheckTableEntrySize();
    if (count <= 0 || entry <= 0) return;
    g_checkTable = FxAlloc(count, entry);
    if (g_checkTable) CopyCheckTable(g_checkTable);
}

void FreeCheckTableCopy()
{
    FxFree(g_checkTable);
    g_checkTable = nullptr;
}

__attribute__((constructor)) void ExtensionsLoad()
{
    bwps1::SetSession(GetSessionPaths());
    LoadCheckTableCopy();
}

__attribute__((destructor)) void ExtensionsUnload() { FreeCheckTableCopy(); }

struct Ordinal {
    int number;
    void* entry;
};

} // namespace

BWPS1_API void* BWPS1CheckTableCopy(void) { return g_checkTable; }

BWPS1_API void* BWPS1Ordinal(int ordinal)
{
    static const Ordinal table[] = {
        {1, reinterpret_cast<void*>(&BWPSRunCommand)},
        {2, reinterpret_cast<void*>(&BWPSVerifyBaseFilesDefault)},
        {3, reinterpret_cast<void*>(&BWPSVerifyBaseFiles)},
        {36, reinterpret_cast<void*>(&OpenCompanyList)},
        {37, reinterpret_cast<void*>(&SetDefaultCompany)},
        {42, reinterpret_cast<void*>(&CreateCompanyFiles)},
        {43, reinterpret_cast<void*>(&SeedCompanySettingsRecords)},
        {44, reinterpret_cast<void*>(&BuildCompanyRecord)},
        {45, reinterpret_cast<void*>(&OpenCompany)},
        {46, reinterpret_cast<void*>(&AddCompanyToList)},
        {100, reinterpret_cast<void*>(&BWPSCreateCompany)},
        {103, reinterpret_cast<void*>(&BWPSFileOpenSelect)},
    };
    for (const Ordinal& o : table)
        if (o.number == ordinal) return o.entry;
    return nullptr;
}
