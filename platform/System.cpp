#include "platform/System.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QStandardPaths>
#include <QSysInfo>
#include <QWidget>

#include <fontconfig/fontconfig.h>

#include <algorithm>

namespace platform {

QString dataFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
}

QString programFilesFolder() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    // A build tree keeps the help page next to the program; an installed program finds it in
    // share/orvane beside its bin folder.
    if (QFileInfo::exists(joinPath(exeDir, QStringLiteral("MReadme.htm"))))
        return exeDir;
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/orvane"));
    if (QFileInfo(installed).isDir())
        return QDir::toNativeSeparators(installed);
    return exeDir;
}

QString defaultPaintProgram() {
    for (const char* name : {"kolourpaint", "mtpaint", "pinta", "drawing", "gimp"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return QStringLiteral("/usr/bin/kolourpaint");
}

bool isProgramFile(const QString& path) {
    if (path.endsWith(QLatin1String("exe")))
        return true;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable())
        return false;
    const QString suffix = info.suffix().toLower();
    for (const char* picture : {"bmp", "jpg", "jpeg", "png", "gif"}) {
        if (suffix == QLatin1String(picture))
            return false;
    }
    // On a memory stick every file may be executable: only a program starts like one.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(4);
    return start == QByteArrayLiteral("\x7f"
                                      "ELF") ||
           start.startsWith("#!");
}

QString computerName() {
    return QSysInfo::machineHostName().left(30);
}

QWidget* findTopLevelWindow(const QString& exactTitle) {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window->isWindow() && window->windowTitle() == exactTitle)
            return window;
    }
    return nullptr;
}

void installFontSubstitutions() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
}

std::jthread readFontConfigurationAhead() {
    return std::jthread([] { FcInit(); });
}

QFont namedFont(const QString& family, qreal points, bool bold) {
    QFont font(QFont::substitute(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void installInterfaceFont() {
    QFont font(QStringLiteral("IPAPGothic"), 9);
    // Shapes and widths straight from the font, without hinting each glyph first: the same look
    // at these sizes, and a good part of the start-up time less. Fonts set on single controls
    // take this from here.
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    const QChar separator = QDir::separator();
    if (folder.endsWith(separator) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + separator + name;
}

QString fileTitle(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

} // namespace platform
