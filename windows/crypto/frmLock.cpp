#include "windows/crypto/frmLock.h"

#include "platform/Error.h"
#include "platform/Keyring.h"
#include "platform/Services.h"
#include "store/JournalLock.h"
#include "store/search/SearchService.h"
#include "windows/Controls.h"
#include "windows/EditorHandover.h"
#include "windows/LongTask.h"
#include "windows/editor/frmMirel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <vector>

namespace {

QString titleOf(frmLock::Mode mode) {
    switch (mode) {
    case frmLock::Mode::Encrypt:
        return QStringLiteral("日記の暗号化");
    case frmLock::Mode::Change:
        return QStringLiteral("パスフレーズの変更");
    case frmLock::Mode::Decrypt:
        break;
    }
    return QStringLiteral("暗号化の解除");
}

QString runCaption(frmLock::Mode mode) {
    switch (mode) {
    case frmLock::Mode::Encrypt:
        return QStringLiteral("暗号化");
    case frmLock::Mode::Change:
        return QStringLiteral("変更");
    case frmLock::Mode::Decrypt:
        break;
    }
    return QStringLiteral("解除");
}

void tell(const QString& text, platform::Icon icon) {
    platform::dialogs().message(text, platform::Buttons::Ok, icon, platform::programTitle());
}

} // namespace

frmLock::frmLock(Mode mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    setObjectName(QStringLiteral("frmLock"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(titleOf(mode));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const auto addBox = [&](QLineEdit*& box, const QString& name, const QString& caption) {
        box = passwordBox(name, caption);
        form->addRow(caption, box);
    };
    if (mode != Mode::Encrypt)
        addBox(txtCurrent, QStringLiteral("txtCurrent"),
               mode == Mode::Change ? QStringLiteral("今のパスフレーズ")
                                    : QStringLiteral("パスフレーズ"));
    if (mode != Mode::Decrypt) {
        addBox(txtNew, QStringLiteral("txtNew"),
               mode == Mode::Change ? QStringLiteral("新しいパスフレーズ")
                                    : QStringLiteral("パスフレーズ"));
        addBox(txtAgain, QStringLiteral("txtAgain"), QStringLiteral("もう一度"));
    }
    if (mode == Mode::Encrypt) {
        const QString text =
            QStringLiteral("絵は暗号化されず、絵のフォルダーに普通のファイルのまま残ります。\n"
                           "パスフレーズを忘れると、日記は二度と読めなくなります。");
        auto* note = new QLabel(text, this);
        note->setWordWrap(true);
        windows::named(note, QStringLiteral("lblNote"), text);
        layout->addWidget(note);
    }
    if (mode != Mode::Decrypt) {
        chkRemember = new QCheckBox(QStringLiteral("このコンピューターで記憶する"), this);
        windows::named(chkRemember, QStringLiteral("chkRemember"),
                       QStringLiteral("このコンピューターで記憶する"));
        chkRemember->setChecked(mode == Mode::Change && store::rememberedInKeyring());
        // Without a keyring there is nowhere to keep the key: the box says why it cannot be used.
        if (const auto why = platform::keyring::unavailable()) {
            chkRemember->setEnabled(false);
            chkRemember->setChecked(false);
            chkRemember->setToolTip(*why);
        }
        layout->addWidget(chkRemember);
    }

    progressBar = new QProgressBar(this);
    windows::named(progressBar, QStringLiteral("progressBar"), QStringLiteral("進み具合"));
    cmdStop = new QPushButton(QStringLiteral("中止"), this);
    windows::named(cmdStop, QStringLiteral("cmdStop"), QStringLiteral("中止"));
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progressBar, 1);
    progressRow->addWidget(cmdStop);
    layout->addLayout(progressRow);
    task_ = new LongTask(progressBar, cmdStop, this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdRun = new QPushButton(runCaption(mode), this);
    windows::named(cmdRun, QStringLiteral("cmdRun"), runCaption(mode));
    cmdRun->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    windows::named(cmdCancel, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));
    buttons->addWidget(cmdRun);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connect(cmdRun, &QPushButton::clicked, this, [this] { platform::guard([this] { run(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    setMinimumWidth(420);
}

QLineEdit* frmLock::passwordBox(const QString& objectName, const QString& caption) {
    auto* box = new QLineEdit(this);
    box->setEchoMode(QLineEdit::Password);
    windows::named(box, objectName, caption);
    return box;
}

bool frmLock::run() {
    if (txtNew != nullptr) {
        if (const auto problem = store::passphraseProblem(txtNew->text(), txtAgain->text())) {
            tell(*problem, platform::Icon::Exclamation);
            txtNew->setFocus();
            return false;
        }
    }
    // What the editor shows goes into the journal first, so that the converted journal holds it;
    // a failed save has said why.
    if (frmMirel* editor = windows::findEditorByTitle(); editor != nullptr && !editor->devProc())
        return false;
    std::optional<store::LockChange> change;
    try {
        change = begin();
    } catch (const platform::Error& e) {
        tell(e.message(), platform::Icon::Critical);
        return false;
    }
    const bool done = !change || convert(*change);
    // The index is built again at once, sealed or plain as the journal now is (it was dropped
    // before the copy, stopped or not).
    store::search::service().prepare();
    if (!done)
        return false;
    close();
    if (mode_ == Mode::Encrypt) {
        if (store::plainBackupCount() > 0 &&
            platform::dialogs().message(
                QStringLiteral("暗号化していないバックアップを削除しますか？"),
                platform::Buttons::YesNo, platform::Icon::Question,
                platform::programTitle()) == platform::Answer::Yes)
            store::removePlainBackups();
        tell(QStringLiteral("日記を暗号化しました。\n以前に作られた暗号化していないコピーは、"
                            "上書きされるまでディスクに読める形で残っていることがあります。"),
             platform::Icon::Information);
    } else if (mode_ == Mode::Change) {
        tell(QStringLiteral("パスフレーズを変更しました。"), platform::Icon::Information);
    } else {
        tell(QStringLiteral("暗号化を解除しました。"), platform::Icon::Information);
    }
    return true;
}

std::optional<store::LockChange> frmLock::begin() {
    struct Busy {
        Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~Busy() { QApplication::restoreOverrideCursor(); }
    } busy;
    const bool remember = chkRemember != nullptr && chkRemember->isChecked();
    switch (mode_) {
    case Mode::Encrypt:
        return store::encrypting(txtNew->text(), remember);
    case Mode::Change:
        // Only headers are rewritten: short enough to wait for.
        store::changePassphrase(txtCurrent->text(), txtNew->text(), remember);
        return std::nullopt;
    case Mode::Decrypt:
        break;
    }
    return store::decrypting(txtCurrent->text());
}

bool frmLock::convert(const store::LockChange& change) {
    // The window is modal: the other windows take no input and so leave the journal alone while
    // the copy is made.
    converting_ = true;
    std::vector<std::pair<QWidget*, bool>> inputs;
    for (QWidget* input : std::initializer_list<QWidget*>{txtCurrent, txtNew, txtAgain, chkRemember,
                                                          cmdRun, cmdCancel})
        if (input != nullptr) {
            inputs.emplace_back(input, input->isEnabled());
            input->setEnabled(false);
        }
    const auto enable = qScopeGuard([this, &inputs] {
        converting_ = false;
        for (const auto& [input, enabled] : inputs)
            input->setEnabled(enabled);
    });
    QEventLoop loop;
    bool copied = false;
    std::optional<platform::Error> failure;
    task_->start([&](const LongTask::Progress& progress) { copied = change.copy(progress); },
                 [&](const std::optional<platform::Error>& error) {
                     failure = error;
                     loop.quit();
                 });
    loop.exec();
    try {
        if (failure)
            throw *failure;
        if (!copied)
            return false; // stopped by the user, who needs no message
        change.finish();
    } catch (const platform::Error& e) {
        tell(e.message(), platform::Icon::Critical);
        return false;
    }
    return true;
}

void frmLock::reject() {
    if (!converting_)
        QDialog::reject();
}

void frmLock::closeEvent(QCloseEvent* event) {
    if (converting_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}
