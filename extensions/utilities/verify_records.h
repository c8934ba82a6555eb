// The parts of the layaway records that the verification reads and writes.
// Packed, little-endian; bytes not named are kept as they are.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// BPOSLAYH.DB, 172 bytes. Key 0: the layaway number.
struct LayawayHeaderRecord {
    char Number[11];                // 0
    uint8_t Data11[133];            // 11
    double Total;                   // 144
    uint8_t Link;                   // 152: non-zero while an invoice holds the layaway
    uint8_t Data153[19];            // 153
};

// BPOSLAYD.DB, 97 bytes. Key 0: the layaway number (duplicates).
struct LayawayLineRecord {
    char Number[11];                // 0
    char LineType;                  // 11: 'D', 'M' and 'K' lines do not count in the total
    char ProductCode[15];           // 12
    uint8_t Data27[41];             // 27
    double Quantity;                // 68
    double Amount76;                // 76
    double Amount;                  // 84
    uint8_t Data92[5];              // 92
};

#pragma pack(pop)

static_assert(sizeof(LayawayHeaderRecord) == 172 && offsetof(LayawayHeaderRecord, Total) == 144 &&
              offsetof(LayawayHeaderRecord, Link) == 152);
static_assert(sizeof(LayawayLineRecord) == 97 && offsetof(LayawayLineRecord, LineType) == 11 &&
              offsetof(LayawayLineRecord, ProductCode) == 12 &&
              offsetof(LayawayLineRecord, Quantity) == 68 &&
              offsetof(LayawayLineRecord, Amount76) == 76 && offsetof(LayawayLineRecord, Amount) == 84);
