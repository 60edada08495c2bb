// The picture box: showing the attached picture, the picture button, and drawing in the paint
// program.
#include "windows/editor/frmMirel.h"

#include "app/modFunc.h"
#include "platform/ChildProgram.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Pictures.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/EditorGeometry.h"
#include "windows/editor/StatusLine.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>

#include <algorithm>

namespace {

// The picture box never grows wider than this (border included); a wider picture is cut off at
// the right.
constexpr int MaxPictureWidthTwips = 4455;

const QString PaintProgramWanted = QStringLiteral("ペイントツールを指定してください。");

void status(const QString& text) {
    windows::editor::setStatusText(text);
}

void showError(const platform::Error& error) {
    platform::dialogs().message(error.message(), platform::Buttons::Ok, platform::Icon::None,
                                platform::programTitle());
}

std::optional<frmMirel::FileState> stateOf(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return std::nullopt;
    return frmMirel::FileState{info.absoluteFilePath(), info.size(), info.lastModified()};
}

// A new drawing's file in the folder: the day as yymmdd.bmp, or yymmdd-2.bmp, yymmdd-3.bmp and
// so on when that name is taken (by the same day of another century, for one): an existing
// picture is never drawn over.
QString newDrawingPath(const QString& folder, const QDate& day) {
    const QString name = platform::dates::format(day, QStringLiteral("yymmdd"));
    QString path = platform::joinPath(folder, name + QStringLiteral(".bmp"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = platform::joinPath(folder, QStringLiteral("%1-%2.bmp").arg(name).arg(n));
    return path;
}

// Waits for the paint program; true once it has ended.
bool procWait(platform::ChildProgram& paint) {
    paint.waitForEnd();
    return true;
}

} // namespace

void frmMirel::showPicture(const QImage& picture) {
    shownPicture_ = picture;
    QPixmap pixmap = QPixmap::fromImage(picture);
    pixmap.setDevicePixelRatio(1.0);
    Picture1->setPixmap(pixmap);
    // The box takes the picture's size.
    const int border = 2 * Picture1->frameWidth();
    const int maxWidth = windows::editor::toPixels(MaxPictureWidthTwips);
    Picture1->resize(std::min(picture.width() + border, maxWidth), picture.height() + border);
}

void frmMirel::showPlaceholder() {
    showPicture(windows::editor::builtinImage(windows::editor::BuiltinImage::Placeholder));
}

void frmMirel::loadIntoBox(const QString& path) {
    const auto state = stateOf(path);
    if (!state)
        throw platform::Error(platform::errnum::PictureMissing,
                              QStringLiteral("ファイルが見つかりません。"));
    loaded_ = {*state, QImage()};
    try {
        loaded_.image = platform::loadPicture(path);
    } catch (const platform::Error&) {
        showPlaceholder();
        throw;
    }
    showPicture(loaded_.image);
}

frmMirel::FileShown frmMirel::showFile(const QString& path, bool readAgain) {
    const auto state = stateOf(path);
    if (!state)
        return FileShown::Missing;
    // Hovering must stay smooth over a large photograph: an unchanged file is not read again,
    // and one that could not be read is not reported again.
    if (!readAgain && state == loaded_.state) {
        if (loaded_.image.isNull()) {
            showPlaceholder();
            return FileShown::Unreadable;
        }
        if (shownPicture_.cacheKey() != loaded_.image.cacheKey())
            showPicture(loaded_.image);
        return FileShown::Shown;
    }
    try {
        loadIntoBox(path);
        return FileShown::Shown;
    } catch (const platform::Error& e) {
        showError(e);
        return FileShown::Unreadable;
    }
}

void frmMirel::Picture1_Click() {
    if (picFile.isEmpty()) {
        status(QStringLiteral("編集するにはダブルクリックしてください。"));
        return;
    }
    // A file that is there but holds no readable picture (damaged, half written, too large)
    // stays attached as it is stored: dropping it would lose it at the next save.
    const auto unreadable = [](const QString& path) {
        status(QStringLiteral("画像として読み込めません。") + path);
    };
    switch (showFile(picFile)) {
    case FileShown::Shown:
        status(picFile);
        return;
    case FileShown::Unreadable:
        unreadable(picFile);
        return;
    case FileShown::Missing:
        break;
    }

    // Not at its stored place: perhaps in the picture folder (a path stored on another computer).
    const QString& folder = app::modFunc().gPath;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        QDir().mkdir(folder);
    const QString candidate = folder + QLatin1Char('/') + platform::fileTitle(picFile);
    switch (showFile(candidate)) {
    case FileShown::Shown:
        // The corrected path reaches the journal with the next save of a changed entry.
        picFile = candidate;
        status(picFile);
        return;
    case FileShown::Unreadable:
        unreadable(candidate);
        return;
    case FileShown::Missing:
        break;
    }
    status(QStringLiteral("ファイルは見つかりませんでした。") + picFile);
    showPlaceholder();
    picFile.clear();
}

void frmMirel::pictureButton_Click() {
    auto& m = app::modFunc();
    status(QStringLiteral("画像を削除するにはキャンセルしてください。"));
    platform::FileRequest request;
    request.hideReadOnly = true;
    request.fileName = platform::joinPath(
        m.gPath, QStringLiteral("p") +
                     platform::dates::format(m.WorkDate, QStringLiteral("yymmdd")) +
                     QStringLiteral(".bmp"));
    request.filter = QStringLiteral("すべてのファイル (*.*)|*.*|ＢＭＰ ファイル (*.bmp)|*.bmp|"
                                    "ＪＰＧ ファイル (*.jpg)|*.jpg|ペイントツール (*.exe)|*.exe");
    request.filterIndex = 2;
    const auto chosen = platform::dialogs().openFile(request);
    if (!chosen) {
        if (!picFile.isEmpty() &&
            platform::dialogs().message(QStringLiteral("画像を削除しますか？"),
                                        platform::Buttons::YesNo, platform::Icon::None,
                                        platform::programTitle()) == platform::Answer::Yes) {
            showPlaceholder();
            picFile.clear();
            txtChg = true;
        }
        status(QStringLiteral("ペイントツールの選択もできます。"));
        return;
    }
    if (platform::isProgramFile(*chosen)) {
        // The paint program; the attached picture stays and shows again when hovered.
        m.pPath = *chosen;
        showPlaceholder();
        return;
    }
    // Attached even when it cannot be shown, as the user chose it.
    picFile = *chosen;
    txtChg = true;
    try {
        loadIntoBox(picFile);
    } catch (const platform::Error& e) {
        showError(e);
    }
}

void frmMirel::Picture1_DblClick() {
    auto& m = app::modFunc();
    if (picFile.isEmpty()) {
        const QImage blank =
            windows::editor::builtinImage(windows::editor::BuiltinImage::BlankCanvas);
        showPicture(blank);
        const QString path = newDrawingPath(m.gPath, m.WorkDate);
        if (!blank.save(path, "BMP")) {
            showError(platform::Error(
                platform::errnum::PathFileAccess,
                QStringLiteral("新しい絵のファイル %1 を作れませんでした。").arg(path)));
            showPlaceholder();
            return;
        }
        picFile = path;
    }
    try {
        platform::ChildProgram paint(m.pPath, picFile);
        m.PaintPid = paint.processId();
        txtChg = true;
        while (!procWait(paint)) {
        }
        // Read afresh, whatever the file's size and time: the drawing is what counts.
        loadIntoBox(picFile);
    } catch (const platform::Error&) {
        askForPaintProgram();
    }
}

void frmMirel::askForPaintProgram() {
    auto& m = app::modFunc();
    platform::dialogs().message(PaintProgramWanted, platform::Buttons::Ok, platform::Icon::None,
                                platform::programTitle());
    status(PaintProgramWanted);
    platform::FileRequest request;
    request.hideReadOnly = true;
    request.fileName = m.pPath;
    request.filter = QStringLiteral("すべてのファイル (*.*)|*.*|ＥＸＥ ファイル (*.exe)|*.exe");
    request.filterIndex = 1;
    const auto chosen = platform::dialogs().openFile(request);
    if (!chosen)
        return;
    // Only a program is taken, and the user learns why another file is not; the user
    // double-clicks again to start it.
    if (!platform::isProgramFile(*chosen)) {
        platform::dialogs().message(QStringLiteral("プログラムではないファイルです。"),
                                    platform::Buttons::Ok, platform::Icon::None,
                                    platform::programTitle());
        return;
    }
    m.pPath = *chosen;
}
