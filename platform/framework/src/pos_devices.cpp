// Point-of-sale devices that type: a card reader sends the stripe as keys.
// In the script driver the stripe is written as one "type TEXT" event; the
// key read hands its characters over one by one.
#include "internal.hpp"

extern "C" {

int FxGetKeyOrTyped(int wait) {
    for (;;) {
        fx::Event ev = fx::nextEvent(wait != 0);
        switch (ev.kind) {
        case fx::Event::Key: return ev.key;
        case fx::Event::Wait: return 0;
        case fx::Event::Type: {
            // what a reader types is a card's stripe: its length only
            fx::record("typed " + std::to_string(ev.text.size()) + " characters read as keys");
            if (ev.text.empty()) {
                if (!wait) return 0;
                continue;
            }
            // The characters after the first come next, before any other input.
            for (size_t i = 1; i < ev.text.size(); ++i)
                fx::pushKey(static_cast<unsigned char>(ev.text[i]));
            return static_cast<unsigned char>(ev.text[0]);
        }
        case fx::Event::Exhausted:
            if (fx::exhaustedInARow() >= 10) {
                fx::record("key read gets Enter");
                fx::clearExhaustedInARow();
                return FX_KEY_ENTER;
            }
            return FX_KEY_ESC;
        default:
            fx::record("event ignored by a key read");
            if (!wait) return 0;
        }
    }
}

} // extern "C"
