#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
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

    // The command of the run button; true when it was carried out and the window closed.
    bool run();

private:
    QLineEdit* passwordBox(const QString& objectName, const QString& caption);
    void carryOut();

    Mode mode_;
};
