#pragma once

#include <QKeySequence>

namespace quorvane::app {

/// Conversions between the program's stored key codes (a virtual key code
/// in the low byte plus modifier flags: Shift 0x2000, Ctrl 0x4000,
/// Alt 0x8000) and Qt's keys.
class KeyCodes {
public:
    static constexpr int Shift = 0x2000;
    static constexpr int Ctrl = 0x4000;
    static constexpr int Alt = 0x8000;
    /// Key code of Return (and of the keypad's Enter).
    static constexpr int Return = 13;
    /// Key code of Delete.
    static constexpr int Delete = 46;

    /// The shortcut a stored code stands for, e.g. 49219 -> Ctrl+Alt+C.
    /// Codes whose low byte is not a letter or digit give an empty sequence.
    static QKeySequence shortcutFromCode(int code);

    /// The virtual key code of a Qt key: letters and digits map to their
    /// upper-case character codes, Return and Enter to 13, Escape to 27,
    /// Tab to 9, Backspace to 8, Space to 32, Delete to 46; anything else gives 0.
    static int virtualKey(int qtKey);
};

} // namespace quorvane::app
