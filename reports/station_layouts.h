// Older layouts of the station record, read when a station file of an
// earlier release is brought to the current 1573-byte layout, and the
// pieces of a new station record that the station file and the station
// screens share.
#ifndef BWPS_REPORTS_STATION_LAYOUTS_H
#define BWPS_REPORTS_STATION_LAYOUTS_H

#include <cstddef>
#include <cstdint>

#include "bwps/files.h"
#include "bwps/stations.h"

namespace bwps::stations {

// Bytes of the oldest layout that the upgrade keeps: those of the
// 1017-byte layout before its receivables-payment form.
constexpr std::size_t kOldestKeptBytes = 707;

// Record builders of the three upgrade steps (pure). Step 1 lays out the
// 1017-byte layout at the start of a zeroed current-length buffer.
void BuildRecordFromOldest(const uint8_t* old, std::size_t oldLength, const char* programFolder,
                           uint8_t* out);
void BuildRecordFrom1017(const StationRecord1017& old, StationRecord* out);
void BuildRecordFrom1291(const StationRecord1291& old, StationRecord* out);

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
