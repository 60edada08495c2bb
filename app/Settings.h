#pragma once

#include <QString>

#include <array>
#include <cstdint>

class QWidget;

namespace app {

// The settings flags of regProc.
inline constexpr std::uint8_t RegLoad = 0;
inline constexpr std::uint8_t RegSave = 1;

// 0 loads all settings into modFunc() and runs pathCheck; 1 saves them, reading the font size and
// geometry from the open editor window (its journal box is the child named "Text1_1"); any other
// flag does nothing. Without an editor a save writes the values held in modFunc().
// Returns false only when loading ended the program (the journal chooser was refused); the
// caller must then return at once. A save that cannot be written raises platform::Error.
// The editor's height and width are stored as its client size in twips (15 per pixel), its top
// and left as the position of its frame.
bool regProc(std::uint8_t flag, const QWidget* editor = nullptr);

// The stored editor layout (font size, top, left, height, width) updated from the editor window
// on the Qt platform platformName. Under Wayland the top and left stay as stored.
std::array<std::int32_t, 5> editorLayout(const QWidget& editor, std::array<std::int32_t, 5> layout,
                                         QStringView platformName);

// The journal the settings name (the default one when they name none), read on its own so that
// start-up can ask the keyring for its key before the rest is loaded. DefMdbPath must be set.
QString storedJournalPath();

// Checks the paint program, the journal file and the picture folder after loading. Returns
// false when the journal chooser ended the program.
bool pathCheck();

// Applies EditorLayout to the editor window and the font size to its two text boxes.
void setEdPos(QWidget& editor, QWidget& text1, QWidget& text2);

// Centres a window on the screen.
void frmCenter(QWidget& window);

} // namespace app
