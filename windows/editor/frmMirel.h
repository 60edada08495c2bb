#pragma once

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QMainWindow>
#include <QRandomGenerator>
#include <QString>

#include <array>

class QAction;
class QComboBox;
class QTimer;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace windows::editor {
class EditorCanvas;
}

// The entry editor: the journal text, remark and picture of the day in app::modFunc().WorkDate.
//
// Create and show it through windows::showEditor() (windows/WindowLookup.h), which runs the load
// handler. The window deletes itself when it closes.
class frmMirel : public QMainWindow {
    Q_OBJECT

public:
    // The title by which the other windows know the editor.
    static QString titleText() { return QStringLiteral("Velmora絵日記"); }

    explicit frmMirel(QWidget* parent = nullptr);
    ~frmMirel() override;

    // ---- controls (indexes as in the window's design) ----
    // Text1[0] is the date box (a QLineEdit), Text1[1] the journal text and Text1[2] the remark
    // (QPlainTextEdit). Object names "Text1_0", "Text1_1", "Text1_2".
    std::array<QWidget*, 3> Text1{};
    QLineEdit* dateBox() const;
    QPlainTextEdit* textBox(int index) const; // 1 or 2
    // The text of a box as it is saved.
    QString boxText(int index) const;
    // Labels "日付", "日記", "備考" are elements 0, 4 and 5; the others stay empty.
    std::array<QLabel*, 6> Label1{};
    // 0 "閉じる(&C)", 1 the picture button, 2 "<<(&P)", 3 "(&N)>>".
    std::array<QPushButton*, 4> Command1{};
    QLabel* Picture1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // ---- menus ----
    QMenu* retrn = nullptr;            // "戻る(&R)"
    std::array<QAction*, 2> dEnd{};    // "保存して戻る(&E)" F3, "保存せず戻る" F4
    QAction* savTxt = nullptr;         // "保存(&S)", a command on the menu bar
    QMenu* optOpt = nullptr;           // "ｵﾌﾟｼｮﾝ(&O)"
    QAction* opNote = nullptr;         // "手帳(&B)"
    std::array<QAction*, 4> optPath{}; // the four path commands
    QAction* optComp = nullptr;        // "MDBの最適化"
    QMenu* opFont = nullptr;           // "ﾌｫﾝﾄｻｲｽﾞ"
    std::array<QAction*, 8> opFsize{}; // elements 0, 1, 3, 5, 7: 9, 10, 12, 14, 16 points
    QAction* opFind = nullptr;         // "日記を検索(&S)" Ctrl+F
    QAction* opPrint = nullptr;        // "絵日記を印刷(&P)...", the last item
    QAction* sHelp = nullptr;          // "ﾍﾙﾌﾟ(&H)", a command on the menu bar

    // ---- the shown entry ----
    QString picFile;     // full path of the attached picture, empty for none
    bool newRec = false; // a load found no stored entry for the day
    bool txtChg = false; // the user changed the entry since it was loaded

    // ---- loading (frmMirel_load.cpp) ----
    // The load handler: layout, background, status line, random seed, vocabulary, then the day.
    void Form_Load();
    // Shows WorkDate in the date box and loads that day's entry.
    void iniForm();
    // Loads the entry of WorkDate into the boxes and the picture box.
    void recShow();
    QRandomGenerator& random() { return random_; }

    // ---- vocabulary ticker (frmMirel_ticker.cpp) ----
    // Fills Combo1 with the vocabulary rows.
    void setWords();
    // One tick of the ticker on the status line.
    void Timer1_Timer();
    QComboBox* Combo1 = nullptr; // the rows, kept in a list that is never shown
    QTimer* Timer1 = nullptr;    // 150 ms, running while the editor is loaded
    qint16 tickPos = 0;

    // ---- saving (frmMirel_save.cpp) ----
    // Saves the shown entry (insert or update, only when it was changed), then refreshes the
    // calendar window's marks when that window is open. Returns false when the save failed; its
    // message has been shown and the caller must stay on the day.
    bool devProc();
    // Each returns false when its statement failed (after showing the message).
    bool recInsert();
    bool recUpdate();
    // Returns false when the entry could not be saved (after saying why).
    bool savTxt_Click();
    // 0 "保存して戻る(&E)", 1 "保存せず戻る".
    void dEnd_Click(int index);

    // ---- buttons and typing (frmMirel_buttons.cpp) ----
    void Command1_Click(int index);
    void Command1_GotFocus(int index);
    void Command1_LostFocus(int index);
    // A typed character in box `index`: the entry counts as changed.
    void Text1_KeyPress(int index);
    // The user changed what box `index` holds, by any means (Delete, paste, cut, undo, a drop,
    // the middle button): the entry counts as changed. Text the program puts in does not count.
    void Text1_Change(int index);
    // Commits text an input method is still composing in a box, so that what is shown is what
    // is saved.
    void commitComposition();
    // The face colour a button shows now.
    QColor faceColor(int index) const { return face_[static_cast<std::size_t>(index)]; }

    // ---- picture box (frmMirel_picture.cpp) ----
    // Shows the attached picture and names it in the status line; looks for the file in the
    // picture folder when the stored path fails. Hovering over the box runs it too.
    void Picture1_Click();
    // Draws in the paint program: a new blank picture when none is attached, then the program
    // started with the picture and waited for; the result shown.
    void Picture1_DblClick();
    // The picture button: a picture or the paint program chosen, or the picture removed.
    void pictureButton_Click();
    void showPicture(const QImage& picture);
    void showPlaceholder();
    // What is known of a picture file: its path, size and last change.
    struct FileState {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileState&) const = default;
    };
    // What the picture box shows now.
    const QImage& shownPicture() const { return shownPicture_; }

    // ---- background (frmMirel_background.cpp) ----
    void bgTile();
    // The texture in use (the hidden Picture2 of the design) and the tiled background as a
    // picture of the whole screen.
    const QImage& texture() const { return picture2_; }
    QImage background() const;

    // ---- options and help (frmMirel_options.cpp) ----
    void opNote_Click();
    // 絵日記を印刷: saves the entry, then opens the print window on the editor's day.
    void opPrint_Click();
    void optPath_Click(int index);
    void optComp_Click();
    void opFsize_Click(int index);
    void sHelp_Click();

    // ---- search (frmMirel_search.cpp) ----
    // Opens the search window, or brings it to the front.
    void opFind_Click();
    // Selects the first place in the journal text where one of the words occurs, compared as
    // the search compares, and scrolls to it; nothing changes when none does.
    void selectFirstMatch(const QStringList& words);

    // ---- window ----
    // The resize rules: minimum size, text box widths, close button place.
    void Form_Resize();
    // The close box: shows the calendar window, saves the settings, unloads.
    void closeBox();
    // Closes the editor the way code does it: the close box handler does not run.
    void unload();
    // The window's size in twips. Like the stored layout, it leaves out the frame the desktop
    // draws around the window.
    QSize sizeTwips() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class FileShown { Shown, Missing, Unreadable };
    // Shows a picture file in the box. An unchanged file is not read again unless told; a file
    // that cannot be read shows the placeholder and is reported once for that state of the file.
    FileShown showFile(const QString& path, bool readAgain = false);
    // Reads the file into the box (the placeholder when it fails) and raises what failed.
    void loadIntoBox(const QString& path);
    // The paint program could not be started: says so and offers to choose another.
    void askForPaintProgram();
    // The database path command: another journal chosen, or made through the chooser.
    void chooseJournal();

    void createControls();
    void createMenus();
    void setFace(int index, const QColor& colour);
    // Saves the settings; a settings file that cannot be written is reported, and the closing
    // goes on.
    void saveSettings();
    // The day of a day button's hint and move: -1 or +1 day from WorkDate.
    static int dayStep(int index) { return index == 2 ? -1 : 1; }

    windows::editor::EditorCanvas* canvas_ = nullptr;
    std::array<QColor, 4> face_{};
    QImage picture2_;
    QImage shownPicture_;
    struct LoadedFile {
        FileState state;
        QImage image; // null: the file held no readable picture
    } loaded_;
    QRandomGenerator random_;
    bool unloading_ = false;
    // The program is putting a day's text into the boxes.
    bool loadingText_ = false;
    // Text an input method is composing in each box, not yet part of it.
    std::array<QString, 3> composing_;
};
