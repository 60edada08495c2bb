#include "windows/editor/TypedInput.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>

namespace windows::editor {

namespace {

bool isPrintableText(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const char32_t code : text.toUcs4()) {
        if (!QChar::isPrint(code))
            return false;
    }
    return true;
}

bool isTypedKey(const QKeyEvent& key) {
    if (key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Cut))
        return true;
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    // Control shortcuts carry a letter as well, but type nothing; the text boxes draw the same
    // line (AltGr, which some desktops report as Control with Alt, still types).
    const auto modifiers = key.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return isPrintableText(key.text());
}

} // namespace

bool isTypedCharacter(const QEvent& event) {
    switch (event.type()) {
    case QEvent::KeyPress:
        return isTypedKey(static_cast<const QKeyEvent&>(event));
    case QEvent::InputMethod:
        return !static_cast<const QInputMethodEvent&>(event).commitString().isEmpty();
    default:
        return false;
    }
}

} // namespace windows::editor
