#include "platform/QtDialogs.h"

#include "platform/Error.h"
#include "platform/PagePrinter.h"
#include "platform/Services.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {

QString openFileOrThrow(const FileRequest& request) {
    auto chosen = dialogs().openFile(request);
    if (!chosen)
        throw Error(errnum::Cancelled, QStringLiteral("キャンセルが選択されました。"));
    return *chosen;
}

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString caption = parts[i].trimmed();
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*")) {
                patterns << QStringLiteral("*");
            } else {
                patterns << pattern.toLower() << pattern.toUpper();
            }
        }
        patterns.removeDuplicates();
        // The details in the last parentheses are hidden, so the caption shows as written.
        result << caption + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

namespace {

QWidget* activeParent() {
    return QApplication::activeWindow();
}

// Gives the keyboard back to the window that had it once a dialog closes; without a window
// manager nobody else would.
class ReturnFocus {
public:
    ReturnFocus() : window_(QApplication::activeWindow()) {}
    ~ReturnFocus() {
        if (window_ && window_->isVisible())
            window_->activateWindow();
    }
    ReturnFocus(const ReturnFocus&) = delete;
    ReturnFocus& operator=(const ReturnFocus&) = delete;

private:
    QPointer<QWidget> window_;
};

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Answer QtDialogs::message(const QString& text, Buttons buttons, Icon icon, const QString& title) {
    const ReturnFocus returnFocus;
    QMessageBox box(activeParent());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(qtIcon(icon));
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        break;
    case Buttons::OkCancel:
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        break;
    case Buttons::YesNo:
        yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        break;
    case Buttons::YesNoCancel:
        yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        break;
    }
    box.exec();
    const auto* clicked = box.clickedButton();
    if (clicked != nullptr && clicked == yes)
        return Answer::Yes;
    if (clicked != nullptr && clicked == no)
        return Answer::No;
    if (clicked != nullptr && clicked == ok)
        return Answer::Ok;
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
}

namespace {

// One line of text in a box of its own, OK and another button; the typed text, or nothing.
std::optional<QString> askLine(const QString& prompt, const QString& title,
                               const QString& defaultText, const QString& cancelText,
                               QLineEdit::EchoMode echo) {
    const ReturnFocus returnFocus;
    QDialog dialog(activeParent());
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    auto* edit = new QLineEdit(defaultText, &dialog);
    edit->setEchoMode(echo);
    edit->setAccessibleName(prompt);
    label->setBuddy(edit);
    edit->selectAll();
    auto* box = new QDialogButtonBox(&dialog);
    box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    box->addButton(cancelText, QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(box);
    dialog.setMinimumWidth(360);
    edit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text();
}

} // namespace

std::optional<QString> QtDialogs::input(const QString& prompt, const QString& title,
                                        const QString& defaultText) {
    return askLine(prompt, title, defaultText, QStringLiteral("キャンセル"), QLineEdit::Normal);
}

std::optional<QString> QtDialogs::passphrase(const QString& prompt, const QString& title,
                                             const QString& cancelText) {
    return askLine(prompt, title, {}, cancelText, QLineEdit::Password);
}

std::optional<QString> QtDialogs::openFile(const FileRequest& request) {
    const ReturnFocus returnFocus;
    QFileDialog dialog(activeParent());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setFileMode(request.folder      ? QFileDialog::Directory
                       : request.mustExist ? QFileDialog::ExistingFile
                                           : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, request.folder);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex - 1;
        if (index >= 0 && index < filters.size())
            dialog.selectNameFilter(filters[index]);
    }
    if (request.folder && QFileInfo(request.fileName).isDir()) {
        dialog.setDirectory(request.fileName);
    } else if (!request.fileName.isEmpty()) {
        const QFileInfo info(request.fileName);
        if (info.dir().exists())
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<PageJob> QtDialogs::choosePrinter(const PrintRequest& request) {
    const ReturnFocus returnFocus;
    auto printer = makePrinter(request);
    QPrintDialog dialog(printer.get(), activeParent());
    // Pages are chosen in the window that asks; the dialog chooses the printer and copies.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return std::make_unique<PageJob>(std::move(printer));
}

} // namespace platform
