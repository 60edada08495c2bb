// The editor window itself: its controls, menus, size rules and closing.
#include "windows/editor/frmMirel.h"

#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "windows/WindowLookup.h"
#include "windows/editor/BuiltinImages.h"
#include "windows/editor/EditorCanvas.h"
#include "windows/editor/EditorGeometry.h"
#include "windows/editor/TextBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>

using windows::editor::toPixels;
using windows::editor::toTwips;
using windows::editor::twipsRect;

namespace {

const QString MinchoP = QStringLiteral("ＭＳ Ｐ明朝");
const QString GothicP = QStringLiteral("ＭＳ Ｐゴシック");

// The client area at design time, in twips; the window's real size comes from the settings.
constexpr int DesignClientWidth = 6675;
constexpr int DesignClientHeight = 6165;
constexpr int StatusBarHeight = 300;

} // namespace

frmMirel::frmMirel(QWidget* parent) : QMainWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmMirel"));
    setWindowTitle(titleText());

    canvas_ = new windows::editor::EditorCanvas(this);
    setCentralWidget(canvas_);
    createControls();
    createMenus();

    Combo1 = new QComboBox(canvas_);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(twipsRect(5160, 4920, 735, 300));
    Combo1->hide();
    Timer1 = new QTimer(this);
    Timer1->setInterval(150);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::guard([this] { Timer1_Timer(); }); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(toPixels(StatusBarHeight));
    setStatusBar(StatusBar1);

    resize(toPixels(DesignClientWidth),
           toPixels(DesignClientHeight) + menuBar()->sizeHint().height() + StatusBar1->height());
}

frmMirel::~frmMirel() {
    auto& status = app::modFunc().StatusRef;
    if (status == StatusBar1)
        status = nullptr;
}

void frmMirel::createControls() {
    auto* date = new QLineEdit(canvas_);
    date->setObjectName(QStringLiteral("Text1_0"));
    date->setGeometry(twipsRect(600, 120, 2655, 345));
    date->setFont(platform::namedFont(MinchoP, 14.25, true));
    date->setAttribute(Qt::WA_InputMethodEnabled, false); // the date box takes plain digits
    QPalette dateColours = date->palette();
    dateColours.setColor(QPalette::Base, Qt::white);
    dateColours.setColor(QPalette::Text, Qt::black);
    date->setPalette(dateColours);
    Text1[0] = date;

    const auto makeTextBox = [this](int index, const QRect& place) {
        auto* box = new windows::editor::TextBox(canvas_);
        box->setObjectName(QStringLiteral("Text1_%1").arg(index));
        box->setGeometry(place);
        box->setFont(platform::namedFont(GothicP, 9, false));
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setTabChangesFocus(true);
        Text1[static_cast<std::size_t>(index)] = box;
    };
    makeTextBox(1, twipsRect(600, 600, 5895, 2055));
    makeTextBox(2, twipsRect(600, 2760, 5895, 975));

    const auto makeLabel = [this](int index, const QString& caption, const QRect& place,
                                  QWidget* buddy) {
        auto* label = new QLabel(caption, canvas_);
        label->setObjectName(QStringLiteral("Label1_%1").arg(index));
        label->setGeometry(place);
        label->setFont(platform::namedFont(GothicP, 9, true));
        // An opaque label in the desktop's button colour, as labels are by default.
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        label->setPalette(colours);
        label->setAutoFillBackground(true);
        label->setBuddy(buddy);
        Label1[static_cast<std::size_t>(index)] = label;
    };
    makeLabel(0, QStringLiteral("日付"), twipsRect(120, 120, 495, 255), Text1[0]);
    makeLabel(4, QStringLiteral("日記"), twipsRect(120, 600, 495, 255), Text1[1]);
    makeLabel(5, QStringLiteral("備考"), twipsRect(120, 2760, 495, 255), Text1[2]);

    const auto makeButton = [this](int index, const QString& caption, const QRect& place) {
        auto* button = new QPushButton(caption, canvas_);
        button->setObjectName(QStringLiteral("Command1_%1").arg(index));
        button->setGeometry(place);
        button->setFont(platform::namedFont(GothicP, 12, true));
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(false);
        button->installEventFilter(this);
        Command1[static_cast<std::size_t>(index)] = button;
        connect(button, &QPushButton::clicked, this,
                [this, index] { platform::guard([&] { Command1_Click(index); }); });
    };
    makeButton(0, QStringLiteral("閉じる(&C)"), twipsRect(5055, 4080, 1260, 690));
    makeButton(1, QString(), twipsRect(120, 3840, 420, 435));
    makeButton(2, QStringLiteral("<<(&P)"), twipsRect(4320, 120, 1095, 375));
    makeButton(3, QStringLiteral("(&N)>>"), twipsRect(5400, 120, 1095, 375));
    Command1[1]->setIcon(QPixmap::fromImage(windows::editor::pictureButtonImage()));
    Command1[1]->setIconSize(QSize(24, 24));
    Command1[1]->setAccessibleName(QStringLiteral("画像"));
    setFace(0, QColor(128, 255, 255));
    setFace(1, QColor(255, 255, 255));
    setFace(2, QColor(128, 255, 255));
    setFace(3, QColor(128, 255, 255));

    Picture1 = new QLabel(canvas_);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(600, 3840, 3900, 3900));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette pictureColours = Picture1->palette();
    pictureColours.setColor(QPalette::Window, QColor(192, 192, 192));
    Picture1->setPalette(pictureColours);
    Picture1->setAutoFillBackground(true);
    // Hovering names the picture; a double-click draws in it.
    Picture1->setMouseTracking(true);
    Picture1->installEventFilter(this);

    for (std::size_t i = 0; i < Text1.size(); ++i)
        Text1[i]->installEventFilter(this);
    // Every change the user makes counts, whatever way it comes: the date box reports only
    // those, the text boxes report the program's too, which the load keeps apart.
    connect(dateBox(), &QLineEdit::textEdited, this,
            [this] { platform::guard([this] { Text1_Change(0); }); });
    for (const int index : {1, 2}) {
        connect(textBox(index)->document(), &QTextDocument::contentsChange, this,
                [this, index] { platform::guard([this, index] { Text1_Change(index); }); });
    }

    // The keyboard visits the boxes, then the buttons, as designed.
    setTabOrder(Text1[0], Text1[1]);
    setTabOrder(Text1[1], Text1[2]);
    setTabOrder(Text1[2], Command1[0]);
    setTabOrder(Command1[0], Command1[1]);
    setTabOrder(Command1[1], Command1[2]);
    setTabOrder(Command1[2], Command1[3]);
}

void frmMirel::createMenus() {
    const auto wire = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this,
                [this, handler] { platform::guard([&] { (this->*handler)(); }); });
    };
    const auto wireIndexed = [this](QAction* action, void (frmMirel::*handler)(int), int index) {
        connect(action, &QAction::triggered, this,
                [this, handler, index] { platform::guard([&] { (this->*handler)(index); }); });
    };

    QMenuBar* bar = menuBar();
    retrn = bar->addMenu(QStringLiteral("戻る(&R)"));
    retrn->setObjectName(QStringLiteral("retrn"));
    dEnd[0] = retrn->addAction(QStringLiteral("保存して戻る(&E)"));
    dEnd[0]->setShortcut(QKeySequence(Qt::Key_F3));
    dEnd[1] = retrn->addAction(QStringLiteral("保存せず戻る"));
    dEnd[1]->setShortcut(QKeySequence(Qt::Key_F4));
    wireIndexed(dEnd[0], &frmMirel::dEnd_Click, 0);
    wireIndexed(dEnd[1], &frmMirel::dEnd_Click, 1);

    savTxt = bar->addAction(QStringLiteral("保存(&S)"));
    wire(savTxt, &frmMirel::savTxt_Click);

    optOpt = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    optOpt->setObjectName(QStringLiteral("optOpt"));
    opNote = optOpt->addAction(QStringLiteral("手帳(&B)"));
    wire(opNote, &frmMirel::opNote_Click);
    const std::array<QString, 4> pathCaptions = {
        QStringLiteral("ﾍﾟｲﾝﾄﾂｰﾙのﾊﾟｽ"), QStringLiteral("MDBﾊﾟｽ"),
        QStringLiteral("ｸﾞﾗﾌｨｯｸﾌｫﾙﾀﾞのﾊﾟｽ"), QStringLiteral("ﾊﾞｯｸｸﾞﾗｳﾝﾄﾞﾃｸｽﾁｬのﾊﾟｽ")};
    for (std::size_t i = 0; i < pathCaptions.size(); ++i) {
        optPath[i] = optOpt->addAction(pathCaptions[i]);
        wireIndexed(optPath[i], &frmMirel::optPath_Click, static_cast<int>(i));
    }
    optComp = optOpt->addAction(QStringLiteral("MDBの最適化"));
    wire(optComp, &frmMirel::optComp_Click);
    opFont = optOpt->addMenu(QStringLiteral("ﾌｫﾝﾄｻｲｽﾞ"));
    opFont->setObjectName(QStringLiteral("opFont"));
    // The element index plus 9 is the size in points.
    for (const int index : {0, 1, 3, 5, 7}) {
        QAction* size = opFont->addAction(QString::number(index + 9));
        opFsize[static_cast<std::size_t>(index)] = size;
        wireIndexed(size, &frmMirel::opFsize_Click, index);
    }
    opFind = optOpt->addAction(QStringLiteral("日記を検索(&S)"));
    opFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    wire(opFind, &frmMirel::opFind_Click);
    opPrint = optOpt->addAction(QStringLiteral("絵日記を印刷(&P)..."));
    wire(opPrint, &frmMirel::opPrint_Click);

    sHelp = bar->addAction(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    wire(sHelp, &frmMirel::sHelp_Click);
}

QLineEdit* frmMirel::dateBox() const {
    return static_cast<QLineEdit*>(Text1[0]);
}

QPlainTextEdit* frmMirel::textBox(int index) const {
    return static_cast<QPlainTextEdit*>(Text1[static_cast<std::size_t>(index)]);
}

QString frmMirel::boxText(int index) const {
    if (index == 0)
        return dateBox()->text();
    // The raw text keeps what was typed (no-break spaces included); paragraph and line breaks
    // come back as plain line feeds.
    QString text = textBox(index)->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void frmMirel::setFace(int index, const QColor& colour) {
    face_[static_cast<std::size_t>(index)] = colour;
    // A style sheet, so that the face colour shows whatever the desktop's button style is.
    Command1[static_cast<std::size_t>(index)]->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: black;"
                       " border: 2px outset #a0a0a0; }"
                       " QPushButton:pressed { border-style: inset; }")
            .arg(colour.name()));
}

QSize frmMirel::sizeTwips() const {
    return toTwips(size());
}

void frmMirel::Form_Resize() {
    if (isMinimized())
        return;
    const QSize current = sizeTwips();
    const auto rule = windows::editor::resizeRule(current);
    // A maximized window keeps the size the desktop gave it.
    if (rule.sizeTwips != current && !isMaximized() && !isFullScreen())
        resize(windows::editor::toPixels(rule.sizeTwips));
    for (const int index : {1, 2}) {
        QWidget* box = Text1[static_cast<std::size_t>(index)];
        box->resize(toPixels(rule.textWidthTwips), box->height());
    }
    Command1[0]->move(toPixels(rule.closeLeftTwips), Command1[0]->y());
}

void frmMirel::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    platform::guard([this] { Form_Resize(); });
}

bool frmMirel::event(QEvent* event) {
    // The status line belongs to the program's own texts: hovering a menu must not wipe it.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void frmMirel::saveSettings() {
    try {
        app::regProc(app::RegSave, this);
    } catch (const platform::Error& e) {
        // The window closes all the same; otherwise a broken settings file would trap it.
        platform::dialogs().message(e.message(), platform::Buttons::Ok, platform::Icon::Critical,
                                    platform::programTitle());
    }
}

void frmMirel::closeBox() {
    windows::showCalendar();
    saveSettings();
    auto& status = app::modFunc().StatusRef;
    if (status == StatusBar1)
        status = nullptr;
}

void frmMirel::unload() {
    unloading_ = true;
    auto& status = app::modFunc().StatusRef;
    if (status == StatusBar1)
        status = nullptr;
    close();
}

void frmMirel::closeEvent(QCloseEvent* event) {
    if (!unloading_) {
        unloading_ = true;
        platform::guard([this] { closeBox(); });
    }
    event->accept();
}
