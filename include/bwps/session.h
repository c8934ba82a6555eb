/* bwps/session.h: the session block shared by bwpsbase and bwpos-1, the
 * record-manager session block, and the session API that the host calls.
 *
 * The session block lives only in memory: its byte offsets are ours, but
 * every field has a fixed width so that both libraries agree on it.
 */
#ifndef BWPS_SESSION_H
#define BWPS_SESSION_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/company_ids.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    BWPS_PATH_SIZE = 144,            /* every folder field of the session */
    BWPS_COMPANY_RECORD_SIZE = 168,  /* BPOSCID.DB record */
    BWPS_STATION_ID_SIZE = 16,       /* 15 characters + NUL */
    BWPS_USER_ID_SIZE = 20,          /* 15 characters used, all zero for the supervisor */
    BWPS_COMPANY_NAME_SIZE = 19,
    BWPS_PRINTER_ENTRY_SIZE = 119,
    BWPS_SUPERVISOR_LEVEL = 5,
    BWPS_EXIT_CANCELLED = 27
};

/* Bits of SessionBlock.OptionFlags. */
enum {
    BWPS_OPTION_LOGIN_PENDING = 0x0002,  /* cleared by the log-in */
    BWPS_OPTION_RESTORE_ONLY = 0x0800
};

/* Values of SessionBlock.ConversionState. */
enum {
    BWPS_CONVERSION_IDLE = 0,
    BWPS_CONVERSION_DUE = 107,
    BWPS_CONVERSION_REFUSED = 110
};

typedef struct SessionBlock {
    /* Fields in the order of the session API. */
    uint8_t ReportDestination;            /* report byte: last report destination */
    uint8_t Reserved0[3];
    int32_t UserLevel;                    /* 5 = built-in supervisor, 0 = a user of the user file */
    int32_t CommandNumber;                /* command for the command entry of bwpos-1 */
    int32_t ExitCode;                     /* 27 on cancel or failure */
    char StationId[BWPS_STATION_ID_SIZE]; /* key of this station's record in BPOSSTN.DB */
    char UserId[BWPS_USER_ID_SIZE];       /* signed-in user; all zero for the supervisor */
    char ProgramPath[BWPS_PATH_SIZE];
    char BasePath[BWPS_PATH_SIZE];        /* program folder + "/RAZAVUR" */
    char DictionaryPath[BWPS_PATH_SIZE];  /* program folder + "/ROVAZERI" */
    char DataPath[BWPS_PATH_SIZE];        /* the company's data files */
    uint8_t CompanyRecord[BWPS_COMPANY_RECORD_SIZE]; /* copy of the open company's BPOSCID.DB record */
    uint32_t OptionFlags;                 /* session flags of the command entry */
    int32_t ConversionState;              /* state of the command entry: 0, 107, 110 */

    /* Further fields used by the command entry, the setup and the reports. */
    int32_t EditorCallFlag;               /* non-zero leaves some editor keys unbound */
    int32_t SystemDate;                   /* framework dates (yyyymmdd) */
    int32_t ProgramDate;
    char ReportPrinterName[64];
    char CompanyName[BWPS_COMPANY_NAME_SIZE + 1];
    char PrinterTypeName[16];
    uint8_t StationPrinters[3][BWPS_PRINTER_ENTRY_SIZE];
    uint8_t Reserved1[3];
    int32_t PrinterOption;                /* the 32-bit field after the printer records */
    char AccountingFolderText[BWPS_PATH_SIZE];
    uint8_t ColorTable[50];
    uint8_t Reserved2[2];
} SessionBlock;

/* The record-manager session block: six 144-character paths and two 32-bit
 * values, handed to BtrSetClientConfig at session start and, all zero, at
 * session stop. */
#pragma pack(push, 1)
typedef struct SessionPathBlock {
    char ProgramPath[BWPS_PATH_SIZE];     /* 0 */
    char BasePath[BWPS_PATH_SIZE];        /* 144 */
    char DictionaryPath[BWPS_PATH_SIZE];  /* 288 */
    char DataPath[BWPS_PATH_SIZE];        /* 432 */
    char AccountingPath[BWPS_PATH_SIZE];  /* 576: only when interfaced */
    char Unused[BWPS_PATH_SIZE];          /* 720 */
    int32_t Zero;                         /* 864: 0 */
    int32_t One;                          /* 868: 1 */
} SessionPathBlock;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(SessionPathBlock) == 872, "record-manager session block");
static_assert(offsetof(SessionPathBlock, BasePath) == 144, "base path");
static_assert(offsetof(SessionPathBlock, DictionaryPath) == 288, "dictionary path");
static_assert(offsetof(SessionPathBlock, DataPath) == 432, "data path");
static_assert(offsetof(SessionPathBlock, AccountingPath) == 576, "accounting path");
static_assert(offsetof(SessionPathBlock, Unused) == 720, "empty path");
static_assert(offsetof(SessionPathBlock, Zero) == 864, "first value");
static_assert(offsetof(SessionPathBlock, One) == 868, "second value");
#endif

#ifdef __cplusplus
static_assert(sizeof(((CompanyIdRecord*)0)->Folder) == BWPS_PATH_SIZE, "company folder");
#endif

/* ---- The session block ---- */
BWPS_EXPORT SessionBlock* GetSessionPaths(void);
BWPS_EXPORT void* GetLibraryModuleHandle(void);

/* ---- Session API (plain names, called by the host and bwpos-1) ---- */
BWPS_EXPORT int BWPSSetExePath(const char* folder);
BWPS_EXPORT int BWPSSetFilesPath(const char* folder);
BWPS_EXPORT int BWPSSetHelpPath(const char* folder);
BWPS_EXPORT int BWPSSetProgramDate(int32_t date);
BWPS_EXPORT void* BWPSSetOwnerWnd(void* window);
BWPS_EXPORT int BWPSStartSession(const char* programFolder, const char* dataFolder);
BWPS_EXPORT int BWPSStopSession(void);
BWPS_EXPORT int BWPSIsInterfaced(void);
BWPS_EXPORT int BWPSGetBasePath(char* buffer, int size);
BWPS_EXPORT int BWPSGetAccountingPath(const char* companyFolder, char* buffer, int size);
BWPS_EXPORT int BWPSUpdateCompanyInfo(const char* t1, const char* t2, const char* t3,
                                      const char* t4, const char* t5, const char* t6,
                                      const char* t7, const char* t8, const char* t9,
                                      const char* t10, const char* t11, const char* t12,
                                      const char* t13, const char* t14);
BWPS_EXPORT int BWPSLookupCustomer(char* buffer);
BWPS_EXPORT int BWPSLookupProduct(char* buffer);
BWPS_EXPORT int BWPSGetFirstAppCID(void* unused, char* idBuffer, int idSize, char* pathBuffer,
                                   int pathSize, int32_t* date, char* status);
BWPS_EXPORT int BWPSGetNextAppCID(void* unused, char* idBuffer, int idSize, char* pathBuffer,
                                  int pathSize, int32_t* date, char* status);
BWPS_EXPORT int BWPSUpdateAppCID(const char* companyId, const char* folder);

/* User checks of the session API (see bwps/users.h). */
BWPS_EXPORT int BWPSCheckUser(int* passwordsInForce, const char* userId, int* idValid,
                              const char* password, int* passwordValid);
BWPS_EXPORT int BWPSGetUserPermit(int permissionKey, const char* userId);

/* ---- Steps of the session start, usable on their own ---- */
BWPS_EXPORT void SetFrameworkIdentity(void);
BWPS_EXPORT int LoadScreensLibrary(const char* programFolder);
BWPS_EXPORT int StartRecordManagerSession(void);
BWPS_EXPORT void FillSessionPathBlock(SessionPathBlock* block);
BWPS_EXPORT int OpenScreenResourceFiles(void);

/* Reloads "0sysinterface  " of the store's general file into the library's
 * interface record; true when the read succeeded. */
BWPS_EXPORT int LoadInterfaceRecord(void);

#ifdef __cplusplus
}
#endif

#endif
