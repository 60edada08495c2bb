#include "app/Settings.h"

#include "app/modFunc.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "store/Chooser.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <limits>

namespace app {

namespace {

const QString sectionOption = QStringLiteral("Option");
const QString sectionMirel = QStringLiteral("Mirel");

// The editor layout keys in slot order, with their defaults.
struct LayoutKey {
    const char* key;
    std::int32_t fallback;
};
constexpr LayoutKey layoutKeys[5] = {
    {"FontSize", 9}, {"Top", 100}, {"Left", 100}, {"Height", 6855}, {"Width", 7295}};

constexpr int twipsPerPixel = 15;

// A stored number, or the key's default when the text is no 32-bit number.
std::int32_t toInt32(const std::optional<QString>& text, std::int32_t fallback) {
    if (!text)
        return fallback;
    const QString trimmed = text->trimmed();
    bool ok = false;
    const int whole = trimmed.toInt(&ok);
    if (ok)
        return whole;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return fallback;
    return static_cast<std::int32_t>(std::lround(value));
}

QString journalPathIn(const platform::SettingsStore& store) {
    return store.value(sectionOption, QStringLiteral("mdbPath")).value_or(modFunc().DefMdbPath);
}

void load() {
    auto& m = modFunc();
    const platform::SettingsStore store;
    m.pPath = store.value(sectionOption, QStringLiteral("pPath")).value_or(m.DefPPath);
    m.mdbPath = journalPathIn(store);
    m.gPath = store.value(sectionOption, QStringLiteral("gPath")).value_or(m.DefGPath);
    m.bgPath = store.value(sectionMirel, QStringLiteral("bgPath")).value_or(QString());
    for (std::size_t slot = 0; slot < m.EditorLayout.size(); ++slot) {
        const auto& key = layoutKeys[slot];
        m.EditorLayout[slot] =
            toInt32(store.value(sectionMirel, QString::fromLatin1(key.key)), key.fallback);
    }
}

} // namespace

std::array<std::int32_t, 5> editorLayout(const QWidget& editor, std::array<std::int32_t, 5> layout,
                                         QStringView platformName) {
    if (const auto* text1 = editor.findChild<const QWidget*>(QStringLiteral("Text1_1")))
        layout[0] = static_cast<std::int32_t>(std::lround(text1->font().pointSizeF()));
    // A Wayland client is never told where its windows are, nor that one is minimized: what it
    // would read is its own last request, so the stored place stays as it is.
    const bool placementKnown = !platformName.startsWith(QLatin1String("wayland"));
    if (editor.isMinimized()) {
        layout[3] = 0;
        layout[4] = 1;
    } else if (editor.isMaximized()) {
        layout[3] = 0;
        layout[4] = 2;
    } else {
        if (placementKnown) {
            layout[1] = editor.y() * twipsPerPixel;
            layout[2] = editor.x() * twipsPerPixel;
        }
        layout[3] = editor.height() * twipsPerPixel;
        layout[4] = editor.width() * twipsPerPixel;
    }
    return layout;
}

namespace {

void save(const QWidget* editor) {
    auto& m = modFunc();
    if (editor != nullptr)
        m.EditorLayout = editorLayout(*editor, m.EditorLayout, QGuiApplication::platformName());
    platform::SettingsStore store;
    store.setValue(sectionOption, QStringLiteral("pPath"), m.pPath);
    store.setValue(sectionOption, QStringLiteral("mdbPath"), m.mdbPath);
    store.setValue(sectionOption, QStringLiteral("gPath"), m.gPath);
    store.setValue(sectionMirel, QStringLiteral("bgPath"), m.bgPath);
    for (std::size_t slot = 0; slot < m.EditorLayout.size(); ++slot) {
        store.setValue(sectionMirel, QString::fromLatin1(layoutKeys[slot].key),
                       QString::number(m.EditorLayout[slot]));
    }
    store.sync();
}

bool fileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}
bool folderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

bool regProc(std::uint8_t flag, const QWidget* editor) {
    switch (flag) {
    case RegLoad:
        load();
        return pathCheck();
    case RegSave:
        save(editor);
        return true;
    default:
        return true;
    }
}

bool pathCheck() {
    auto& m = modFunc();

    if (!fileExists(m.pPath)) {
        platform::FileRequest request;
        request.hideReadOnly = true;
        request.fileName = m.pPath;
        request.filter = QStringLiteral("すべてのファイル (*.*)|*.*|ＥＸＥ ファイル (*.exe)|*.exe");
        request.filterIndex = 1;
        try {
            m.pPath = platform::openFileOrThrow(request);
        } catch (...) {
            // Without a paint program the rest of the check waits for the next start; a
            // missing journal is then reported when start-up opens it.
            return true;
        }
    }

    if (!fileExists(m.mdbPath)) {
        m.mdbPath = m.DefMdbPath;
        if (!fileExists(m.mdbPath)) {
            bool goOn = true;
            // A table that could not be made is shown and start-up goes on: the first reader
            // of the journal makes it again.
            platform::guard([&] { goOn = store::mdbSelect(); });
            if (!goOn)
                return false;
        }
    }

    if (!folderExists(m.gPath)) {
        m.gPath = m.DefGPath;
        // One level only; a folder that cannot be made is reported when a picture is saved.
        if (!folderExists(m.gPath))
            QDir().mkdir(m.gPath);
    }
    return true;
}

void setEdPos(QWidget& editor, QWidget& text1, QWidget& text2) {
    const auto& layout = modFunc().EditorLayout;
    auto pixels = [](std::int32_t twips) {
        return static_cast<int>(std::lround(static_cast<double>(twips) / twipsPerPixel));
    };
    editor.move(pixels(layout[2]), pixels(layout[1]));
    if (layout[3] != 0) {
        editor.resize(pixels(layout[4]), pixels(layout[3]));
    } else if (layout[4] == 2) {
        editor.setWindowState((editor.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    }
    if (layout[0] > 0) {
        for (QWidget* box : {&text1, &text2}) {
            QFont font = box->font();
            font.setPointSize(layout[0]);
            box->setFont(font);
        }
    }
}

void frmCenter(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QRect outer = window.frameGeometry();
    // Worked out in twips and single precision, as the window sizes are kept.
    const float tpp = static_cast<float>(twipsPerPixel);
    const float top =
        (static_cast<float>(area.height()) * tpp - static_cast<float>(outer.height()) * tpp) / 2.0f;
    const float left =
        (static_cast<float>(area.width()) * tpp - static_cast<float>(outer.width()) * tpp) / 2.0f;
    window.move(area.x() + static_cast<int>(std::lround(left / tpp)),
                area.y() + static_cast<int>(std::lround(top / tpp)));
}

QString storedJournalPath() {
    return journalPathIn(platform::SettingsStore());
}

} // namespace app
