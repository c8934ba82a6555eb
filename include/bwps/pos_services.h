/* bwps/pos_services.h: small point-of-sale services: tenders, the posting
 * of an assembly, data-file helpers, the card-interface settings record and
 * the tax-code check.
 *
 * The ledger header and line are the 79-byte record of BPOSGLTH.DB and the
 * 84-byte record of BPOSGLTD.DB; the status block is the 275-byte posting
 * status block (key text, file, operation, status, posting code, stop flag).
 * Error windows answer 2 for Continue and 1 otherwise; a stop code of 1
 * tells the caller to abandon the assembly, 2 that there was nothing valid
 * to post.
 */
#ifndef BWPS_POS_SERVICES_H
#define BWPS_POS_SERVICES_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/assemblies.h"
#include "bwps/records/products.h"
#include "bwps/records/tenders.h"

#ifdef __cplusplus
extern "C" {
#endif

BWPS_EXPORT int ReadTenderRecord(const char* code, TagTender* record);  /* 11 */
/* 13: true when the default tender of "0sysinterface  " is empty or exists
 * (message 1329 when it does not). */
BWPS_EXPORT int CheckDefaultTender(void);

/* ---- Assemblies ---- */
BWPS_EXPORT int CheckAssemblyComponents(uint16_t linesHandle, uint16_t accountsHandle,
                                        uint16_t productsHandle, uint16_t servicesHandle,
                                        int* accountsChecked, const void* interface204,
                                        const char* assemblyNumber, void* statusBlock); /* 16 */
/* 17: takes every component off its product (all lines or none: lines that
 * cannot be posted stop the assembly before anything is written); the
 * services' costs into *costTotal. The stop code. */
BWPS_EXPORT int PostAssemblyComponents(int mode, uint16_t linesHandle, uint16_t productsHandle,
                                       uint16_t servicesHandle, double* costTotal,
                                       const TagAssemblyHeader* header, void* statusBlock);
BWPS_EXPORT int UpdateComponentProduct(int mode, uint16_t productsHandle, TagProduct* product,
                                       const TagAssemblyLine* line,
                                       const TagAssemblyHeader* header);             /* 18 */
BWPS_EXPORT int UpdateAssembledProduct(uint16_t productsHandle, TagProduct* product,
                                       const TagAssemblyHeader* header);             /* 19 */
BWPS_EXPORT int InitAssemblyGLHeader(const char* assemblyNumber, int32_t date,
                                     void* ledgerHeader79);                          /* 20 */
BWPS_EXPORT int PostAssemblySummary(char side, const char* account, double amount,
                                    void* ledgerLine84, const void* ledgerHeader79); /* 21 */
BWPS_EXPORT int PostAssemblyGL(uint16_t ledgerLinesHandle, double first, double second,
                               const void* interface204, const void* ledgerHeader79,
                               void* statusBlock);                                   /* 22 */
BWPS_EXPORT int ReadAssemblyHeader(int handle, TagAssemblyHeader* record,
                                   const char* assemblyNumber);                      /* 23 */

/* ---- Data files ---- */
BWPS_EXPORT int OpenDataFileInFolder(int fileNumber, int mode, uint16_t* handle,
                                     const char* folder);                             /* 26 */
/* 27: the dictionary's supplemental index over up to three columns. */
BWPS_EXPORT int DictionaryCallThrough(int16_t fileNumber, int16_t handle, int16_t column1,
                                      int16_t column2, int16_t column3);
BWPS_EXPORT int DropTableSupIndex(int fileNumber, uint16_t handle);                  /* 28 */
BWPS_EXPORT int CheckFileStat(int fileNumber, uint16_t handle);                      /* 30 */
/* 32: creates the first of <program folder>/<base>0 .. <base>24 that does
 * not exist and opens it; fails (status 59, message 1616) when all exist. */
BWPS_EXPORT int CreateNumberedFile(int mode, uint16_t* handle, char* pathOut,
                                   const char* baseName, const void* fileSpec,
                                   const void* keySpecs);

/* ---- "0ccardintf     " ---- */
BWPS_EXPORT int ReadCardInterface(void);                                              /* 298 */
BWPS_EXPORT int WriteCardInterface(const void* unused, uint16_t settingsHandle);    /* 299 */

/* The tax code (padded to 6) exists in BPOSTXTB.DB; message 243 when not. */
BWPS_EXPORT int CheckTaxCode(uint16_t taxHandle, const char* code, void* record995);

#ifdef __cplusplus
}
#endif

#endif
