// The picture box: showing the attached picture or the placeholder.
#include "windows/editor/frmMirel.h"

#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/Error.h"
#include "platform/Pictures.h"
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

void frmMirel::Picture1_Click() {
    if (picFile.isEmpty()) {
        windows::editor::setStatusText(QStringLiteral("編集するにはダブルクリックしてください。"));
        return;
    }
    try {
        showPicture(platform::loadPicture(picFile));
        windows::editor::setStatusText(picFile);
        return;
    } catch (const platform::Error& e) {
        // A file that is there but holds no readable picture (damaged, or half written by the
        // paint program) stays attached: dropping it here would lose it at the next save.
        if (e.number() == platform::errnum::PictureInvalid) {
            windows::editor::setStatusText(QStringLiteral("画像として読み込めません。") + picFile);
            showPlaceholder();
            return;
        }
        // Not at its stored place: look for it in the picture folder below.
    }

    const QString& folder = app::modFunc().gPath;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        QDir().mkdir(folder);
    const QString candidate = folder + QLatin1Char('/') + app::fileTitle(picFile);
    if (QFileInfo(candidate).isFile()) {
        try {
            // The corrected path reaches the journal with the next save of a changed entry.
            showPicture(platform::loadPicture(candidate));
            picFile = candidate;
            windows::editor::setStatusText(picFile);
            return;
        } catch (const platform::Error&) {
            // A file of that name that holds no picture counts as not found.
        }
    }
    windows::editor::setStatusText(QStringLiteral("ファイルは見つかりませんでした。") + picFile);
    showPlaceholder();
    picFile.clear();
}
