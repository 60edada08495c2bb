#include "app/frmStart.h"

#include "app/Settings.h"
#include "platform/Error.h"
#include "platform/System.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace app {

namespace {

// The title keeps its point size; a name wider than the window is set in a narrower face rather
// than cut at both ends. Only when no narrower face is narrow enough does the size give way.
void fitTitle(QLabel& title, int room) {
    QFont font = title.font();
    const auto widthOf = [&title](const QFont& f) {
        return QFontMetrics(f).horizontalAdvance(title.text());
    };
    const int natural = widthOf(font);
    if (natural > room && natural > 0) {
        // Widths shrink with the stretch; one below the proportional value allows for rounding,
        // so that a single measurement confirms it (each stretch loads a face of its own).
        int stretch = std::max(50, room * 100 / natural - 1);
        font.setStretch(stretch);
        while (widthOf(font) > room && stretch > 50) {
            stretch = std::max(50, stretch - 5);
            font.setStretch(stretch);
        }
        while (widthOf(font) > room && font.pointSizeF() > 8.0)
            font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    title.setFont(font);
}

} // namespace

frmStart::frmStart(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      Picture1(QStringLiteral(":/images/splash.bmp")) {
    setObjectName(QStringLiteral("frmStart"));
    setAccessibleName(QStringLiteral("Velmora絵日記"));
    // The splash never takes the focus, so no dialog of start-up is ever parented to it.
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* title = new QLabel(QStringLiteral("Velmora絵日記"), this);
    title->setObjectName(QStringLiteral("Label1_0"));
    title->setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐ明朝"), 27.75, true));
    title->setAttribute(Qt::WA_TranslucentBackground);
    Label1[0] = title;

    Form_Load();
}

void frmStart::Form_Load() {
    // Twice the image's width and 1.6 times its height: 3390 x 2040 twips, 226 x 136 pixels.
    // The window has no frame, so its outer size is its client size.
    resize(Picture1.width() * 2, Picture1.height() * 16 / 10);
    frmCenter(*this);
    QLabel* title = Label1[0];
    fitTitle(*title, width() - 8);
    title->adjustSize();
    title->move((width() - title->width()) / 2, (height() - title->height()) / 2);
    update();
}

void frmStart::paintEvent(QPaintEvent*) {
    platform::guard([this] {
        // Stretched pixel by pixel, as a plain block transfer stretches; on a screen with more
        // device pixels per pixel the picture is smoothed rather than cut into blocks.
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, devicePixelRatioF() != 1);
        painter.drawImage(rect(), Picture1);
    });
}

} // namespace app
