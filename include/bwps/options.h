/* bwps/options.h: the system options record and its in-memory copy, terms
 * dates and the sign check of amounts. */
#ifndef BWPS_OPTIONS_H
#define BWPS_OPTIONS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/options.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    OPTION_LEDGER_ONLINE = 26,      /* record offset 330 */
    OPTION_REGISTER_ONLINE = 27,    /* record offset 331 */
    OPTION_COSTING = 8,             /* "A", "S" or "L" */
    OPTION_CREDIT_NO_OVERRIDE = 24, /* record offset 328: 'N' refuses the credit override */
    OPTION_CREDIT_PASSWORD = 110,   /* record offset 414: the override password, 15 characters */
    OPTION_YES_NO_20 = 20,
    OPTION_SALES_DETAIL_HISTORY = 10 /* record offset 314: 'Y' keeps a history record per posted line */
};

BWPS_EXPORT int LoadSystemOptions(TagSystemPref* record);                  /* 185 */
/* Stand-alone: the defaults. Interfaced: the accounting company's record
 * (handle of file 15 or 0). The options copy is refreshed unless the file
 * could not be opened. The status. */
BWPS_EXPORT int ReadSystemRecord(uint16_t handle, TagSystemPref* record);  /* 186 */
BWPS_EXPORT int IsSystemOptionEqual(int index, int character);             /* 187 */
BWPS_EXPORT int IsSystemOptionOn(int index);                               /* 188 */
BWPS_EXPORT int GetSystemOption(int index);                                /* 189 */
BWPS_EXPORT int SetSystemOption(int index, int character);                 /* 190 */
/* Byte `byte` (0-6) of option group `group` (0-7) is on. */
BWPS_EXPORT int IsGroupOptionOn(int group, int byte);
BWPS_EXPORT int IsGroupOption1On(int group);                               /* 191 */
BWPS_EXPORT int IsGroupOption0On(int group);                               /* 192 */
BWPS_EXPORT int IsGroupOption2On(int group);                               /* 193 */
BWPS_EXPORT int IsGroupOption3On(int group);                               /* 194 */
BWPS_EXPORT int IsGroupOption6On(int group);                               /* 195 */
BWPS_EXPORT int IsGeneralLedgerOnline(void);
BWPS_EXPORT int IsCheckRegisterOnline(void);
BWPS_EXPORT int ComputeTermsDates(const TagTermsRecord* terms, int32_t date, double amount,
                                  int32_t* dueDate, int32_t* discountDate,
                                  double* discountAmount);                 /* 196 */
BWPS_EXPORT int TermsDayOfMonth(int day, int32_t date);                    /* 197 */
BWPS_EXPORT int IsAmountSignValid(int side, int type, double amount);      /* 198 */
BWPS_EXPORT int ApplyTermsCode(const char* code, int windowFlag);          /* 199 */
BWPS_EXPORT int ReadTermsRecord(const char* code, TagTermsRecord* record); /* 200 */
/* Fills the terms block of a document; 1. */
BWPS_EXPORT int ApplyTermsToDocument(TagTermsDates* document, const TagTermsRecord* terms,
                                     int32_t date);                        /* 757 */

#ifdef __cplusplus
}
#endif

#endif
