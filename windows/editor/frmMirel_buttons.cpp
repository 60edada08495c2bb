// The four buttons, their focus colours and hints, and the typing that marks an entry changed.
#include "windows/editor/frmMirel.h"

#include "app/modFunc.h"
#include "platform/Dates.h"
#include "platform/Error.h"
#include "windows/editor/StatusLine.h"
#include "windows/editor/TypedInput.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QColor RestingFace(128, 255, 255);
const QColor FocusedFace(255, 128, 255);

} // namespace

void frmMirel::Command1_Click(int index) {
    switch (index) {
    case 0:
        dEnd_Click(0);
        return;
    case 1:
        pictureButton_Click();
        return;
    case 2:
    case 3: {
        // Nothing moves while the shown day could not be saved.
        if (!devProc())
            return;
        auto& m = app::modFunc();
        m.WorkDate = platform::dates::addDays(m.WorkDate, dayStep(index));
        dateBox()->setText(platform::dates::format(m.WorkDate, QStringLiteral("yyyy/mm/dd (aaa)")));
        recShow();
        Text1[1]->setFocus(Qt::OtherFocusReason);
        return;
    }
    default:
        return;
    }
}

void frmMirel::Command1_GotFocus(int index) {
    setFace(index, FocusedFace);
    QString hint;
    switch (index) {
    case 0:
        hint = txtChg ? QStringLiteral("保存して戻ります。") : QStringLiteral("戻ります。");
        break;
    case 1:
        hint = QStringLiteral("画像、またはペイントツールを選択してください。");
        break;
    case 2:
    case 3:
        try {
            const QDate day = platform::dates::addDays(app::modFunc().WorkDate, dayStep(index));
            hint =
                platform::dates::format(day, QStringLiteral("yyyy/mm/dd")) + QStringLiteral("へ");
        } catch (const platform::Error&) {
            // No day lies beyond the years the program handles; there is nothing to name.
        }
        break;
    default:
        break;
    }
    windows::editor::setStatusText(hint);
}

void frmMirel::Command1_LostFocus(int index) {
    setFace(index, RestingFace);
    windows::editor::setStatusText(QString());
}

void frmMirel::Text1_KeyPress(int) {
    txtChg = true;
}

void frmMirel::Text1_Change(int) {
    if (!loadingText_)
        txtChg = true;
}

void frmMirel::commitComposition() {
    for (std::size_t i = 0; i < Text1.size(); ++i) {
        if (composing_[i].isEmpty())
            continue;
        // The desktop's input method hands over what it composes; one that does not (or has no
        // say over this box any more) leaves it to be committed here as it is shown.
        QGuiApplication::inputMethod()->commit();
        if (composing_[i].isEmpty())
            continue;
        QInputMethodEvent commit;
        commit.setCommitString(composing_[i]);
        QApplication::sendEvent(Text1[i], &commit);
        QGuiApplication::inputMethod()->reset();
    }
}

bool frmMirel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == static_cast<QObject*>(Picture1)) {
        const bool click =
            event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            Picture1->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (event->type() == QEvent::MouseMove || click)
            platform::guard([this] { Picture1_Click(); });
        else if (event->type() == QEvent::MouseButtonDblClick)
            platform::guard([this] { Picture1_DblClick(); });
    }
    for (std::size_t i = 0; i < Text1.size(); ++i) {
        if (watched == Text1[i] && event->type() == QEvent::InputMethod)
            composing_[i] = static_cast<QInputMethodEvent*>(event)->preeditString();
        if (watched == Text1[i] && windows::editor::isTypedCharacter(*event)) {
            const int index = static_cast<int>(i);
            platform::guard([&] { Text1_KeyPress(index); });
        }
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // Switching to another program or opening a menu leaves the focus where it is.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool passing =
            reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
        for (std::size_t i = 0; i < Command1.size() && !passing; ++i) {
            if (watched != Command1[i])
                continue;
            const int index = static_cast<int>(i);
            if (event->type() == QEvent::FocusIn)
                platform::guard([&] { Command1_GotFocus(index); });
            else
                platform::guard([&] { Command1_LostFocus(index); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
