#include "windows/book/BookSettings.h"

#include "platform/SettingsStore.h"

namespace windows::book {
namespace {

const QString Section = QStringLiteral("Book");
const QString DirectionKey = QStringLiteral("Direction");
const QString PaperKey = QStringLiteral("Paper");

} // namespace

BookPageStyle loadBookStyle() {
    const platform::SettingsStore store;
    BookPageStyle style;
    if (store.value(Section, DirectionKey) == QStringLiteral("Vertical"))
        style.direction = Direction::Vertical;
    const QString paper = store.value(Section, PaperKey).value_or(QString());
    if (paper == QStringLiteral("B5"))
        style.paper = Paper::B5;
    else if (paper == QStringLiteral("A5"))
        style.paper = Paper::A5;
    return style;
}

void saveBookStyle(const BookPageStyle& style) {
    platform::SettingsStore store;
    store.setValue(Section, DirectionKey,
                   style.direction == Direction::Vertical ? QStringLiteral("Vertical")
                                                          : QStringLiteral("Horizontal"));
    const QString paper = style.paper == Paper::B5   ? QStringLiteral("B5")
                          : style.paper == Paper::A5 ? QStringLiteral("A5")
                                                     : QStringLiteral("A4");
    store.setValue(Section, PaperKey, paper);
    store.sync();
}

} // namespace windows::book
