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
    // Shortcuts and menu keys carry a letter as well, but type nothing.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
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
