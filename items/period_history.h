// The period-history screens of products, services, customers and vendors:
// one record that the calling editor holds, shown as a grid of periods,
// corrected on screen and written back with an update on the caller's file.
//
// The caller's file stands on the record. The screen remembers that
// position before it starts, reads the record again from it every time the
// form starts (so a failed write shows what is stored) and updates it on
// F10. The record manager refuses the update with 80 when another station
// changed the record since that read: the failure is reported and the form
// starts again on the stored record.
#ifndef BWPS_ITEMS_PERIOD_HISTORY_H
#define BWPS_ITEMS_PERIOD_HISTORY_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bwps/editor_frame.h"
#include "bwps/messages.h"
#include "fx.h"
#include "recman.h"

namespace bwps {

// The texts of the fields as the last handler of a history screen left
// them (kept for the tests; see items/period_history_testing.h).
void KeepHistoryScreenTexts(FxForm* form, int fields);

class PeriodHistoryScreen : public EditorFrame {
public:
    PeriodHistoryScreen(const EditorSpec& spec, uint16_t handle, void* record)
        : EditorFrame(spec, nullptr), handle_(handle), caller_(record)
    {
        UseFile(handle);
    }

    // Remembers the position of the caller's record; false after the report.
    bool RememberPosition()
    {
        Table file;
        file.Borrow(Spec().file, handle_);
        const Status s = file.Position(position_);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
        return true;
    }

    // Runs the screen; true when it was shown (form and window made).
    bool Show()
    {
        Run();
        return shown_;
    }

protected:
    // The record as the caller's buffer.
    template <class R>
    R& Held()
    {
        return *static_cast<R*>(caller_);
    }

    // The grid from the record, with its computed fields.
    virtual void Fill() = 0;
    // The grid back into a copy of the record; false (the cause shown, the
    // field focused) when a value cannot be taken.
    virtual bool Take(void* record) = 0;

    void BindKeys() override
    {
        FxReleaseKey(Form(), kKeyLookUp);
        FxReleaseKey(Form(), kKeyDelete);
        FxSetKeyHandler(Form(), kKeySave, EditorHandler<PeriodHistoryScreen, &PeriodHistoryScreen::Write>);
    }
    void DrawTexts() override { shown_ = true; }
    void ClearRecord() override {}
    void ScreenToRecord() override {}

    // The form starts: the record read again from its position.
    void RecordToScreen() override
    {
        const int length = Spec().recordLength;
        std::vector<uint8_t> buffer(static_cast<size_t>(length), 0);
        std::memcpy(buffer.data(), &position_, sizeof position_);
        KeyBuffer key;
        Status s = File().Get(B_GET_DIRECT, key.bytes, buffer.data(), length);
        if (s.Ok() && File().BytesRead() < length)
            s = Status{B_DATA_BUFFER_TOO_SHORT, B_GET_DIRECT, Spec().file};
        if (!s.Ok()) {
            s.Report();
            FxPostKey(kKeyEsc);
            return;
        }
        std::memcpy(caller_, buffer.data(), buffer.size());
        Fill();
        Keep();
    }

    // F10: the grid into the record, which is updated on the caller's file.
    int Write()
    {
        std::vector<uint8_t> record(static_cast<const uint8_t*>(caller_),
                                    static_cast<const uint8_t*>(caller_) + Spec().recordLength);
        Keep();
        if (!Take(record.data()))
            return FX_STAY_FOCUSED;
        const Status s = File().Write(B_UPDATE, record.data(), Spec().recordLength);
        if (!s.Ok()) {
            s.Report();
            return FX_RECORD_DONE;
        }
        std::memcpy(caller_, record.data(), record.size());
        return FX_LEAVE;
    }

    // Remembers what the fields show (after every handler that changes them).
    void Keep() { KeepHistoryScreenTexts(Form(), static_cast<int>(Template().size()) - 1); }

    // ---- the fields
    const char* Picture(int field) const
    {
        return Template()[static_cast<size_t>(field - 1)].picture;
    }
    // A number by the field's picture; quantities of 'F' pictures in packs.
    void PutNumber(int field, double value, int pack = 1)
    {
        char text[64];
        FxFormatNumber(text, Picture(field), 0, pack, value);
        FxFieldSet(Form(), field, text);
    }
    void PutCount(int field, int32_t value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%6ld", static_cast<long>(value));
        FxFieldSet(Form(), field, text);
    }
    // The field's number (in units for a pack); false when it does not parse.
    bool GetNumber(int field, double* value, int pack = 1)
    {
        return FxParseNumber(FxFieldGet(Form(), field), pack, value) == 0;
    }
    double Amount(int field)
    {
        double value = 0.0;
        if (!GetNumber(field, &value))
            value = 0.0;
        return value;
    }
    int32_t Count(int field) { return static_cast<int32_t>(std::strtol(FxFieldGet(Form(), field), nullptr, 10)); }

    // The change of a value and its percentage of the base (0 without a base).
    static double Change(double later, double base) { return FxRound(later - base, 0); }
    static double Percent(double change, double base)
    {
        return base == 0.0 ? 0.0 : FxRound(change / base * 100.0, 2);
    }
    static int Pack(int count) { return count < 1 ? 1 : count; }

private:
    uint16_t handle_;
    void* caller_;
    uint32_t position_ = 0;
    bool shown_ = false;
};

}  // namespace bwps

#endif
