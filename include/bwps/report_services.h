/* bwps/report_services.h: the report services that long jobs use between
 * records: the user's break. */
#ifndef BWPS_REPORT_SERVICES_H
#define BWPS_REPORT_SERVICES_H

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Between lines of a long job: when a key is waiting, Esc asks whether to
 * stop. 1 to stop, else 0. work: 32 bytes of the caller. */
BWPS_EXPORT int ReportCheckUserBreak(void* work);

#ifdef __cplusplus
}
#endif

#endif
