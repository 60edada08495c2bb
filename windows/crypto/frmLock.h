#pragma once

#include "store/JournalLock.h"

#include <QDialog>

#include <optional>

class LongTask;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The three encryption commands of the calendar's option menu, each in a small window of its
// own: encrypting a plain journal, changing the passphrase and turning encryption off. The window
// asks, checks what was typed and runs the command; the journal's work is done in store/.
class frmLock : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Encrypt, Change, Decrypt };
    explicit frmLock(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }

    QLineEdit* txtCurrent = nullptr; // 今のパスフレーズ (change, decrypt)
    QLineEdit* txtNew = nullptr; // パスフレーズ / 新しいパスフレーズ (encrypt, change)
    QLineEdit* txtAgain = nullptr;    // もう一度 (encrypt, change)
    QCheckBox* chkRemember = nullptr; // このコンピューターで記憶する (encrypt, change)
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdCancel = nullptr;
    // Shown with 中止 once encrypting or decrypting has taken a second.
    QProgressBar* progressBar = nullptr;
    QPushButton* cmdStop = nullptr;

    // The command of the run button; true when it was carried out and the window closed. The
    // windows go on repainting while the copy is made; 中止 stops it and the window stays.
    bool run();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* passwordBox(const QString& objectName, const QString& caption);
    std::optional<store::LockChange> begin();
    bool convert(const store::LockChange& change);

    Mode mode_;
    LongTask* task_ = nullptr;
    bool converting_ = false;
};
