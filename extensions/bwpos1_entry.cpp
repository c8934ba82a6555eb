// Load and unload of bwpos-1 and its ordinal table.
#include "extensions/company/company.h"
#include "extensions/company/services.h"
#include "extensions/company/copy_company_testing.h"
#include "extensions/convert/convert.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/backup_restore.h"
#include "bwps/screens.h"

#include "bwps/check_table.h"
#include "bwps/session.h"
#include "fx.h"

#include <cstring>

namespace {

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

BWPS1_API void* BWPS1CheckTableCopy(void) { return CheckTableCopy(); }

BWPS1_API void* BWPS1Ordinal(int ordinal)
{
    static const Ordinal table[] = {
        {1, reinterpret_cast<void*>(&BWPSRunCommand)},
        {2, reinterpret_cast<void*>(&BWPSVerifyBaseFilesDefault)},
        {3, reinterpret_cast<void*>(&BWPSVerifyBaseFiles)},
        {9, reinterpret_cast<void*>(&EditBackupDefaults)},
        {10, reinterpret_cast<void*>(&WriteBackupSettings)},
        {11, reinterpret_cast<void*>(&ReadBackupSettings)},
        {19, reinterpret_cast<void*>(&BackupRestore)},
        {20, reinterpret_cast<void*>(&ConvertFileRecords20)},
        {21, reinterpret_cast<void*>(&ConvertFileRecords21)},
        {22, reinterpret_cast<void*>(&ConvertRecordLayout22)},
        {23, reinterpret_cast<void*>(&ConvertRecordLayout23)},
        {24, reinterpret_cast<void*>(&ConvertRecordLayout24)},
        {25, reinterpret_cast<void*>(&ConvertRecordLayout25)},
        {26, reinterpret_cast<void*>(&ConvertFileRecords26)},
        {27, reinterpret_cast<void*>(&ConvertFileRecords27)},
        {28, reinterpret_cast<void*>(&ConvertFileRecords28)},
        {29, reinterpret_cast<void*>(&ConvertSystemRecords)},
        {30, reinterpret_cast<void*>(&ConvertImportTemplates)},
        {31, reinterpret_cast<void*>(&ConvertImportTemplateFields)},
        {32, reinterpret_cast<void*>(&ConvertFileRecords32)},
        {33, reinterpret_cast<void*>(&RebuildFileThroughTemp)},
        {34, reinterpret_cast<void*>(&CopyDataFileToNewLayout34)},
        {35, reinterpret_cast<void*>(&CopyDataFileToNewLayout35)},
        {36, reinterpret_cast<void*>(&OpenCompanyList)},
        {37, reinterpret_cast<void*>(&SetDefaultCompany)},
        {38, reinterpret_cast<void*>(&CopyCompany)},
        {39, reinterpret_cast<void*>(&CheckCopyDestinationSpace)},
        {40, reinterpret_cast<void*>(&EditCopySystemId)},
        {41, reinterpret_cast<void*>(&ConvertCompanyData)},
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
