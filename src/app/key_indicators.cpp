#include "app/key_indicators.h"

#include <wx/utils.h>

#ifdef QUORVEX_HAVE_XKB
#include <X11/XKBlib.h>
#endif

bool LockKeyOn(LockKey key) {
#ifdef QUORVEX_HAVE_XKB
    // The keyboard's own indicators tell the lock state of all three keys;
    // Scroll Lock is no modifier, so the generic key query only sees it pressed.
    if (auto* display = static_cast<Display*>(wxGetDisplay())) {
        const char* name = key == LockKey::Caps  ? "Caps Lock"
                           : key == LockKey::Num ? "Num Lock"
                                                 : "Scroll Lock";
        Bool on = False;
        const Atom atom = XInternAtom(display, name, True);
        if (atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
            return on != False;
        return false;
    }
#endif
    switch (key) {
        case LockKey::Caps:
            return wxGetKeyState(WXK_CAPITAL);
        case LockKey::Num:
            return wxGetKeyState(WXK_NUMLOCK);
        case LockKey::Scroll:
            return wxGetKeyState(WXK_SCROLL);
    }
    return false;
}
