// Older layouts of the station record, read when a station file of an
// earlier release is brought to the current 1573-byte layout, and the
// pieces of a new station record that the station file and the station
// screens share.
#ifndef BWPS_REPORTS_STATION_LAYOUTS_H
#define BWPS_REPORTS_STATION_LAYOUTS_H

#include <cstddef>
#include <cstdint>

#include "bwps/stations.h"

namespace bwps::stations {

#pragma pack(push, 1)

// A printer entry of the 1017-byte layout: as the current one without the
// 16-bit value at +21.
struct PrinterEntry117 {
    char name[15];                // 0
    uint8_t flag15;               // 15
    uint8_t port;                 // 16
    uint16_t word17;              // 17
    uint16_t linesPerPage;        // 19
    uint16_t normalCodes[24];     // 21
    uint16_t condensedCodes[24];  // 69
};

struct StationRecord1017 {
    char id[15];                            // 0
    uint8_t flags15[4];                     // 15
    uint8_t colours[50];                    // 19
    PrinterEntry117 printers[4];            // 69
    char name537[15];                       // 537
    uint8_t flag552;                        // 552
    StationPrintSettings printSettings[2];  // 553
    char receiptForm[16];                   // 627
    char quoteForm[16];                     // 643
    char layawayForm[16];                   // 659
    char cardForm[16];                      // 675
    char layawayPaymentForm[16];            // 691
    char arPaymentForm[16];                 // 707
    char drive1;                            // 723
    char drive2;                            // 724
    uint16_t word725;                       // 725
    uint16_t word727;                       // 727
    char folder1[144];                      // 729
    char folder2[144];                      // 873
};

// The 1291-byte layout: the current one up to offset 997, then drive
// letters in place of the drive paths.
struct StationRecord1291 {
    uint8_t head[997];   // 0: as StationRecord
    char drive1;         // 997
    char drive2;         // 998
    uint8_t bytes999[4]; // 999
    char folder1[144];   // 1003
    char folder2[144];   // 1147
};

#pragma pack(pop)

static_assert(sizeof(PrinterEntry117) == 117);
static_assert(offsetof(PrinterEntry117, condensedCodes) == 69);
static_assert(sizeof(StationRecord1017) == 1017);
static_assert(offsetof(StationRecord1017, name537) == 537);
static_assert(offsetof(StationRecord1017, flag552) == 552);
static_assert(offsetof(StationRecord1017, receiptForm) == 627);
static_assert(offsetof(StationRecord1017, cardForm) == 675);
static_assert(offsetof(StationRecord1017, arPaymentForm) == 707);
static_assert(offsetof(StationRecord1017, drive1) == 723);
static_assert(offsetof(StationRecord1017, folder1) == 729);
static_assert(offsetof(StationRecord1017, folder2) == 873);
static_assert(sizeof(StationRecord1291) == 1291);
static_assert(offsetof(StationRecord1291, folder1) == 1003);

// Bytes of the oldest layout that the upgrade keeps: those of the
// 1017-byte layout before its receivables-payment form.
constexpr std::size_t kOldestKeptBytes = 707;

// Record builders of the three upgrade steps (pure). Step 1 lays out the
// 1017-byte layout at the start of a zeroed current-length buffer.
void BuildRecordFromOldest(const uint8_t* old, std::size_t oldLength, const char* programFolder,
                           uint8_t* out);
void BuildRecordFrom1017(const StationRecord1017& old, StationRecord* out);
void BuildRecordFrom1291(const StationRecord1291& old, StationRecord* out);

inline constexpr int kStationFile = 86;
inline constexpr const char* kDefaultStation = "DEFAULT       ";
inline constexpr const char* kDefaultPrinter = "IBM-Default   ";

// Copies text into a fixed field: at most size - 1 characters, the rest
// NUL (an empty field for null).
void CopyText(char* dst, std::size_t size, const char* src);
// The card, product and label forms and the five forms of every form set
// that a new station record gets.
void PutDefaultForms(StationRecord* record);
// The station colour table that a new station record gets.
void FillStationColourTable(uint8_t* table50);
// A station id as key: up to 14 characters, blank-padded, NUL at 14.
void MakeStationKey(char* key15, const char* text);
// "A:\" with the drive letter in place of "A" unless it is NUL or blank.
void DrivePathFromLetter(char* path144, char letter);

// Resets the process-wide rewritten flag of the upgrade (tests).
void ResetStationUpgradeState();

}  // namespace bwps::stations

#endif
