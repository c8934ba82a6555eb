// The serial-number services: units (BPOSSNUM.DB) and their movements
// (BPOSSNDT.DB) kept consistent. A movement 'A' puts its unit in stock,
// 'R' takes it out; undoing a movement does the opposite, and a unit's
// date is that of its latest movement. Writes that touch both files run in
// one record-manager transaction (joining the caller's when one is open).
#include <cstddef>
#include <cstring>

#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/sales.h"
#include "bwps/screen_utils.h"
#include "bwps/serials.h"
#include "bwps/table.h"

namespace bwps {
namespace {

constexpr int kAskDeleteUnit = 1177;
constexpr size_t kUnitKeySize = offsetof(TagSerialNumber, Available);  // code and serial

#pragma pack(push, 1)
struct DateKey {
    char unit[kUnitKeySize];
    int32_t date;
};
#pragma pack(pop)
static_assert(sizeof(DateKey) == 40, "code, serial and date");

void UnitKey(KeyBuffer& key, const char* codeAndSerial)
{
    key.Clear();
    std::memcpy(key.bytes, codeAndSerial, kUnitKeySize);
}

bool SameUnit(const void* a, const void* b) { return std::memcmp(a, b, kUnitKeySize) == 0; }

Status Reported(Status st)
{
    st.Report();
    return st;
}

// The key of a handle, put back when the scope ends.
class KeptKey {
public:
    explicit KeptKey(Table& table) : table_(table), key_(table.Key()) {}
    ~KeptKey() { table_.SetKey(key_); }
    KeptKey(const KeptKey&) = delete;
    KeptKey& operator=(const KeptKey&) = delete;

private:
    Table& table_;
    int key_;
};

// The unit's latest movement date but the one undone: the movement found
// just before (code, serial, date + 1) on key 2. The search date is one
// more as an integer, so a date ending in 0xFF carries over instead of
// wrapping back to a smaller key.
Status LatestRemainingDate(Table& movements, const TagSerialMovement& undone, int32_t& date)
{
    KeptKey kept(movements);
    movements.SetKey(SERIAL_KEY_DATE);
    DateKey k{};
    std::memcpy(k.unit, undone.Code, kUnitKeySize);
    k.date = undone.Date + 1;
    KeyBuffer key;
    key.Set(k);
    TagSerialMovement found{};
    Status st = movements.Get(B_GET_GE, key, found);
    if (st.Ok())
        st = movements.Get(B_GET_PREVIOUS, key, found);
    else if (st.Is(B_END_OF_FILE))
        st = movements.Get(B_GET_LAST, key, found);
    if (st.Ok() && SameUnit(found.Code, undone.Code)) {
        date = found.Date;
        return {};
    }
    date = 0;
    if (!st.Ok() && !st.Is(B_END_OF_FILE))
        return Reported(st);
    return {};
}

// Undo, with the unit's own write failures returned as well.
Status Undo(Table& units, Table& movements, bool deleteEmptyUnit, TagSerialNumber& unit,
            const TagSerialMovement& movement)
{
    if (movement.Effect == '\0')
        return {};
    KeyBuffer key;
    UnitKey(key, movement.Code);
    Status st = units.Get(B_GET_EQUAL, key, unit);
    if (st.NotFound())
        return st;
    if (!st.Ok())
        return Reported(st);
    if (deleteEmptyUnit && !SerialHasMovements(movements.Handle(), movement.Code)) {
        st = units.Delete();
        if (!st.Ok())
            return Reported({st.status, B_DELETE, FileNo::SerialNumbers});
        return st;
    }
    if (unit.Available == 'N' && movement.Effect == 'R')
        unit.Available = 'Y';
    if (unit.Available == 'Y' && movement.Effect == 'A')
        unit.Available = 'N';
    if (movement.Date == unit.Date) {
        int32_t date = 0;
        LatestRemainingDate(movements, movement, date);
        unit.Date = date;
    }
    st = units.Update(unit);
    if (!st.Ok())
        return Reported({st.status, B_UPDATE, FileNo::SerialNumbers});
    return st;
}

}  // namespace
}  // namespace bwps

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

extern "C" int MergeSerialAvailability(TagSerialNumber* unit, const TagSerialMovement* movement)
{
    if (unit == nullptr || movement == nullptr || movement->Effect == '\0')
        return 0;
    if (unit->Available == 'Y' && movement->Effect == 'R')
        unit->Available = 'N';
    if (unit->Available == 'N' && movement->Effect == 'A')
        unit->Available = 'Y';
    if (movement->Date > unit->Date)
        unit->Date = movement->Date;
    return 0;
}

extern "C" int SerialHasMovements(uint16_t movementsHandle, const char* unitKey)
{
    Table movements;
    movements.Borrow(FileNo::SerialDetail, movementsHandle);
    uint32_t position = 0;
    const bool positioned = movements.Position(position).Ok();
    int answer = 0;
    {
        bwps::KeptKey kept(movements);
        movements.SetKey(SERIAL_KEY_UNIT);
        KeyBuffer key;
        bwps::UnitKey(key, unitKey);
        TagSerialMovement found{};
        const Status st = movements.Get(B_GET_EQUAL, key, found);
        if (st.Ok() && bwps::SameUnit(found.Code, unitKey))
            answer = 1;
        else if (!st.Ok() && !st.NotFound())
            st.Report();
    }
    if (positioned) {
        KeyBuffer key;
        TagSerialMovement back{};
        movements.Direct(position, key, back);
    }
    return answer;
}

extern "C" int UndoSerialMovement(uint16_t unitsHandle, uint16_t movementsHandle, int deleteEmptyUnit,
                                  TagSerialNumber* unit, TagSerialMovement* movement)
{
    if (unit == nullptr || movement == nullptr)
        return B_INVALID_OPERATION;
    Table units, movements;
    units.Borrow(FileNo::SerialNumbers, unitsHandle);
    movements.Borrow(FileNo::SerialDetail, movementsHandle);
    return bwps::Undo(units, movements, deleteEmptyUnit != 0, *unit, *movement).status;
}

extern "C" int DeleteSerialMovement(uint16_t unitsHandle, uint16_t movementsHandle, int deleteEmptyUnit,
                                    TagSerialNumber* unit, TagSerialMovement* movement)
{
    if (unit == nullptr || movement == nullptr)
        return B_INVALID_OPERATION;
    Table units, movements;
    units.Borrow(FileNo::SerialNumbers, unitsHandle);
    movements.Borrow(FileNo::SerialDetail, movementsHandle);
    const Status st = movements.Delete();
    if (!st.Ok()) {
        Status{st.status, B_DELETE, FileNo::SerialDetail}.Report();
        return st.status;
    }
    bwps::Undo(units, movements, deleteEmptyUnit != 0, *unit, *movement);
    return 0;
}

extern "C" int DeleteSerialNumber(uint16_t unitsHandle, uint16_t movementsHandle, TagSerialNumber* unit,
                                  TagSerialMovement* work, SerialDeleteResult* result, int ask)
{
    if (unit == nullptr || work == nullptr)
        return B_INVALID_OPERATION;
    SerialDeleteResult scratch{};
    SerialDeleteResult& r = result != nullptr ? *result : scratch;
    if (ask) {
        int choice = 1;
        AskMessage(bwps::kAskDeleteUnit, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
                   LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
        if (choice != 1)
            return SERIAL_DELETE_DECLINED;
    }
    Table units, movements;
    units.Borrow(FileNo::SerialNumbers, unitsHandle);
    movements.Borrow(FileNo::SerialDetail, movementsHandle);
    bwps::JoinedBatch batch;
    if (!batch.Ok())
        return batch.Begun().status;
    const TagSerialNumber kept = *unit;

    std::memset(&r, 0, offsetof(SerialDeleteResult, Unset));
    std::memcpy(r.Key, kept.Code, bwps::kUnitKeySize);
    r.File = bwps::No(FileNo::SerialDetail);
    r.Operation = B_GET_GE;
    Status st;
    {
        bwps::KeptKey keptKey(movements);
        movements.SetKey(SERIAL_KEY_UNIT);
        KeyBuffer key;
        bwps::UnitKey(key, kept.Code);
        st = movements.Get(B_GET_GE, key, *work);
        while (st.Ok() && bwps::SameUnit(work->Code, kept.Code)) {
            st = movements.Delete();
            if (!st.Ok()) {
                r.Operation = B_DELETE;
                break;
            }
            st = movements.Get(B_GET_NEXT, key, *work);
            if (!st.Ok())
                r.Operation = B_GET_NEXT;
        }
    }
    r.Status = st.status;
    if (!st.Ok() && !st.NotFound()) {
        std::memcpy(r.Key, work->Code, bwps::kUnitKeySize);
        return st.status;
    }
    // the unit: read again by its key, so that it is the current record
    std::memset(&r, 0, offsetof(SerialDeleteResult, Unset));
    std::memcpy(r.Key, kept.Code, bwps::kUnitKeySize);
    r.File = bwps::No(FileNo::SerialNumbers);
    r.Operation = B_DELETE;
    KeyBuffer key;
    bwps::UnitKey(key, kept.Code);
    TagSerialNumber current{};
    st = units.Get(B_GET_EQUAL, key, current);
    if (st.Ok())
        st = units.Delete();
    else
        r.Operation = B_GET_EQUAL;
    if (st.Ok())
        st = batch.Commit();
    r.Status = st.status;
    return st.status;
}

extern "C" int DeleteSerialMovementsOfDocument(uint32_t* link)
{
    if (link == nullptr || *link == 0)
        return 0;
    bwps::JoinedBatch batch;
    if (!batch.Ok())
        return bwps::Reported({batch.Begun().status, B_BEGIN_TRAN, FileNo::SerialDetail}).status;
    Table units, movements;
    Status st = units.Open(FileNo::SerialNumbers);
    if (st.Ok())
        st = movements.Open(FileNo::SerialDetail);
    if (!st.Ok())
        return bwps::Reported(st).status;
    const uint32_t number = *link;
    {
        bwps::KeptKey kept(movements);
        movements.SetKey(SERIAL_KEY_LINK);
        KeyBuffer key;
        key.Set(number);
        TagSerialMovement movement{};
        st = movements.Get(B_GET_EQUAL, key, movement);
        while (st.Ok() && movement.Link == number) {
            const Status del = movements.Delete();
            if (!del.Ok())
                return bwps::Reported({del.status, B_DELETE, FileNo::SerialDetail}).status;
            TagSerialNumber unit{};
            const Status undone = bwps::Undo(units, movements, true, unit, movement);
            if (!undone.Ok() && !undone.NotFound())
                return undone.status;
            key.Set(number);
            st = movements.Get(B_GET_EQUAL, key, movement);
        }
    }
    if (!st.Ok() && !st.NotFound())
        return bwps::Reported({st.status, B_GET_EQUAL, FileNo::SerialDetail}).status;
    st = batch.Commit();
    if (!st.Ok())
        return bwps::Reported(st).status;
    *link = 0;
    return 0;
}

extern "C" int AddSerialMovement(uint16_t movementsHandle, uint16_t unitsHandle, TagSerialMovement* movement,
                                 void* document)
{
    if (movement == nullptr)
        return 0;
    Table units, movements;
    units.Borrow(FileNo::SerialNumbers, unitsHandle);
    movements.Borrow(FileNo::SerialDetail, movementsHandle);
    bwps::JoinedBatch batch;
    if (!batch.Ok()) {
        bwps::Reported({batch.Begun().status, B_BEGIN_TRAN, FileNo::SerialDetail});
        return 0;
    }
    constexpr size_t kLinkAt = offsetof(TagSalesDetail, SerialLink);
    int32_t documentLink = 0;
    if (document != nullptr)
        std::memcpy(&documentLink, static_cast<const char*>(document) + kLinkAt, sizeof documentLink);
    const bool draw = document == nullptr || documentLink < 1;
    movement->Link = draw ? 0 : static_cast<uint32_t>(documentLink);

    // The movement is written first: from that write on the file is this
    // transaction's, so another station drawing a number waits for the
    // commit and then sees this one.
    Status st = movements.Insert(*movement);
    if (!st.Ok()) {
        bwps::Reported({st.status, B_INSERT, FileNo::SerialDetail});
        return 0;
    }
    if (draw) {
        uint32_t position = 0;
        st = movements.Position(position);
        TagSerialMovement last{};
        if (st.Ok()) {
            bwps::KeptKey kept(movements);
            movements.SetKey(SERIAL_KEY_LINK);
            KeyBuffer key;
            st = movements.Get(B_GET_LAST, key, last);
        }
        if (!st.Ok()) {
            bwps::Reported({st.status, B_GET_LAST, FileNo::SerialDetail});
            return 0;
        }
        movement->Link = last.Link + 1;
        KeyBuffer key;
        TagSerialMovement written{};
        st = movements.Direct(position, key, written);
        if (st.Ok())
            st = movements.Update(*movement);
        if (!st.Ok()) {
            bwps::Reported(st);
            return 0;
        }
    }

    KeyBuffer key;
    bwps::UnitKey(key, movement->Code);
    TagSerialNumber unit{};
    st = units.Get(B_GET_EQUAL, key, unit);
    const bool fresh = st.Is(B_KEY_NOT_FOUND);
    if (!st.Ok() && !fresh) {
        bwps::Reported(st);
        return 0;
    }
    if (fresh) {
        unit = TagSerialNumber{};
        std::memcpy(unit.Code, movement->Code, bwps::kUnitKeySize);
    }
    unit.Date = movement->Date;
    unit.Available = movement->Effect == 'A' ? 'Y' : 'N';
    st = fresh ? units.Insert(unit) : units.Update(unit);
    if (!st.Ok()) {
        bwps::Reported(st);
        return 0;
    }
    st = batch.Commit();
    if (!st.Ok()) {
        bwps::Reported(st);
        return 0;
    }
    if (draw && document != nullptr) {
        const int32_t drawn = static_cast<int32_t>(movement->Link);
        std::memcpy(static_cast<char*>(document) + kLinkAt, &drawn, sizeof drawn);
    }
    return 1;
}

BWPS_ORDINAL(150, DeleteSerialNumber);
BWPS_ORDINAL(151, DeleteSerialMovementsOfDocument);
BWPS_ORDINAL(152, SerialHasMovements);
BWPS_ORDINAL(153, DeleteSerialMovement);
BWPS_ORDINAL(154, UndoSerialMovement);
BWPS_ORDINAL(155, AddSerialMovement);
BWPS_ORDINAL(4090, MergeSerialAvailability);
