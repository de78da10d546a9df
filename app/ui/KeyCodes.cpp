#include "app/ui/KeyCodes.h"

namespace quorvane::app {

QKeySequence KeyCodes::shortcutFromCode(int code)
{
    const int key = code & 0xff;
    const bool letter = key >= 'A' && key <= 'Z';
    const bool digit = key >= '0' && key <= '9';
    if (!letter && !digit)
        return {};
    // Qt names letters and digits by the same character codes.
    Qt::KeyboardModifiers modifiers;
    if (code & Shift)
        modifiers |= Qt::ShiftModifier;
    if (code & Ctrl)
        modifiers |= Qt::ControlModifier;
    if (code & Alt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

int KeyCodes::virtualKey(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return Return;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Space: return 32;
    case Qt::Key_Delete: return Delete;
    default: return 0;
    }
}

} // namespace quorvane::app
