/* Stations, the station index, station devices and register detail files.
 *
 * A station is one point-of-sale workstation with a record in BPOSSTN.DB
 * (file 86, base folder) under its station id. The station index
 * BPOSSTNX.DB (base folder, not in the data-file table) keeps four report
 * counters per station. Register detail files ("REG" + number + ".db" in
 * the data folder) hold a register's sale lines as consecutive 182-byte
 * records.
 */
#ifndef BWPS_STATIONS_H
#define BWPS_STATIONS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"

#include "bwps/records/stations.h"

#pragma pack(push, 1)

/* Reader state over the detail lines of one sale (owned by the caller). */
typedef struct InvDetailSource {
    int16_t handle;          /* 0: BPOSINDT.DB; negative while closed */
    uint8_t unused2[4];      /* 2 */
    uint8_t line[182];       /* 6: the current detail line */
    uint8_t header[586];     /* 188: the sales header, filled by the caller */
    int16_t mode;            /* 774: 1 = lines come from the register file */
    int16_t openCount;       /* 776: +1 data file, +2 register file */
    int32_t fd;              /* 778: register file descriptor, -1 while closed */
} InvDetailSource;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(InvDetailSource) == 782, "detail source");
static_assert(offsetof(InvDetailSource, header) == 188, "detail source");
static_assert(offsetof(InvDetailSource, fd) == 778, "detail source");
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- stations ---- */

/* Screen that asks for the station id and the working date. 0, or the
 * status of a failed open of the station file. */
BWPS_EXPORT int RSASKSTATIONID(void);
/* Silent station check of the log-in. 1 when the check ran, 0 after an
 * unexpected failure (message box shown). *ok is 1 when no station prompt
 * is configured, or the station was found or added. */
BWPS_EXPORT int ValidateStationAndDate(int* ok);

/* The session's colour-keep flag: while set, settling a station leaves the
 * session's colour table as it is (a station just added still gives its
 * colours). Clear at load. */
BWPS_EXPORT void SetStationColourKeep(int keep);
BWPS_EXPORT int GetStationColourKeep(void);

/* Station index (BPOSSTNX.DB). */
BWPS_EXPORT int ReadStationIndexRecord(const char* stationId, StationIndexRecord* out);
BWPS_EXPORT int GetStationIndexCounter(const char* stationId, int n);
BWPS_EXPORT int WriteStationIndexRecord(short op, uint16_t handle, int lock, StationIndexRecord* record);
BWPS_EXPORT char* GetStationIndexPath(char* out);
BWPS_EXPORT int CreateStationIndexFile(const char* path);

/* ---- station devices ---- */

BWPS_EXPORT int CreateStationFiles(void);
BWPS_EXPORT int ClearDeviceSettings(DeviceSettings* settings);
BWPS_EXPORT int OpenDevicePort(DeviceSettings* settings);
BWPS_EXPORT int CloseDevicePort(DeviceSettings* settings);
BWPS_EXPORT int StationDevicePortIo(DeviceSettings* settings, int row, int column, const char* text);
BWPS_EXPORT int ConfigureDevicePort(DeviceSettings* settings, const char* text1, const char* text2);
/* Port code -> parallel index 0..2 (codes 2..4), serial index 0..2
 * (codes 5..7), or -1 for no port. *serial tells which (may be null). */
BWPS_EXPORT int MapPortCode(int portCode, int* serial);
/* Serial initialisation byte: speed | data bits | stop bits | parity. */
BWPS_EXPORT int DeviceSerialInitByte(const DeviceSettings* settings);
/* Display position of (row, column) on a two-line, 20-column display. */
BWPS_EXPORT int DeviceDisplayPosition(int row, int column);

/* ---- register detail sources ---- */

BWPS_EXPORT int InvDetailUsesRegisterFile(const void* salesHeader);
BWPS_EXPORT int IsRegisterFileMode(const void* salesHeader);
BWPS_EXPORT int OpenInvDetailSource(InvDetailSource* source);
BWPS_EXPORT int ReadInvDetailSource(InvDetailSource* source, short op);
BWPS_EXPORT int ReadInvDetailSourceAt(InvDetailSource* source, short op);
BWPS_EXPORT void CloseInvDetailSource(InvDetailSource* source);
/* True when the register file is open in *fd; otherwise false with
 * *fd = -1. With create, a register that has no file yet is also entered
 * in BPOSREGS.DB (the point-of-sale program writes the file itself). */
BWPS_EXPORT int OpenRegisterDetailFile(int registerNumber, int* fd, int create);
BWPS_EXPORT char* BuildRegisterDetailPath(int registerNumber, char* out);

#ifdef __cplusplus
}
#endif

#endif
