// The calendar window's menu bar and the navigation it offers: a day, a month or a year back or
// forward, and today; the search window opened from the file menu and the restore window from
// the options menu; the export window from the file menu.
#include "windows/calendar/frmCal.h"

#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/Services.h"
#include "store/JournalLock.h"
#include "windows/WindowLookup.h"
#include "windows/crypto/frmLock.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <functional>

namespace {

struct Item {
    int index;
    QString caption;
    QKeySequence shortcut;
};

} // namespace

void frmCal::makeMenus() {
    // Adds the items of one menu; each reaches its handler with its index.
    const auto addItems = [this](QMenu* menu, const QString& name, auto& array,
                                 const std::vector<Item>& items, void (frmCal::*handler)(int)) {
        for (const Item& item : items) {
            QAction* action = menu->addAction(item.caption);
            action->setObjectName(QStringLiteral("%1_%2").arg(name).arg(item.index));
            action->setShortcut(item.shortcut);
            const int index = item.index;
            connect(action, &QAction::triggered, this, [this, handler, index] {
                platform::guard([this, handler, index] { (this->*handler)(index); });
            });
            array[std::size_t(index)] = action;
        }
    };

    QMenuBar* bar = menuBar();

    oFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    oFile->setObjectName(QStringLiteral("oFile"));
    addItems(oFile, QStringLiteral("optFile"), optFile,
             {{0, QStringLiteral("日記を書く(&W)"), {}},
              {1, QStringLiteral("選択を削除(&D)"), {}},
              {2, QStringLiteral("終了(&E)"), {}}},
             &frmCal::optFile_Click);
    opFind = new QAction(QStringLiteral("日記を検索(&S)"), oFile);
    opFind->setObjectName(QStringLiteral("opFind"));
    opFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    oFile->insertAction(optFile[2], opFind);
    connect(opFind, &QAction::triggered, this,
            [this] { platform::guard([this] { opFind_Click(); }); });
    opPrint = new QAction(QStringLiteral("絵日記を印刷(&P)..."), oFile);
    opPrint->setObjectName(QStringLiteral("opPrint"));
    oFile->insertAction(optFile[2], opPrint);
    connect(opPrint, &QAction::triggered, this,
            [this] { platform::guard([this] { opPrint_Click(); }); });
    opExport = new QAction(QStringLiteral("日記を書き出す(&X)..."), oFile);
    opExport->setObjectName(QStringLiteral("opExport"));
    oFile->insertAction(optFile[2], opExport);
    connect(opExport, &QAction::triggered, this,
            [this] { platform::guard([this] { opExport_Click(); }); });

    oPrev = bar->addMenu(QStringLiteral("前へ(&G)"));
    oPrev->setObjectName(QStringLiteral("oPrev"));
    addItems(oPrev, QStringLiteral("optPrev"), optPrev,
             {{0, QStringLiteral("前日"), QKeySequence(Qt::Key_F3)},
              {1, QStringLiteral("前月"), QKeySequence(Qt::Key_F4)},
              {2, QStringLiteral("前年"), QKeySequence(Qt::Key_F5)}},
             &frmCal::optPrev_Click);

    oToday = bar->addAction(QStringLiteral("今日(&T)"));
    oToday->setObjectName(QStringLiteral("oToday"));
    connect(oToday, &QAction::triggered, this,
            [this] { platform::guard([this] { oToday_Click(); }); });

    oNext = bar->addMenu(QStringLiteral("次へ(&N)"));
    oNext->setObjectName(QStringLiteral("oNext"));
    addItems(oNext, QStringLiteral("optNext"), optNext,
             {{0, QStringLiteral("翌日"), QKeySequence(Qt::Key_F6)},
              {1, QStringLiteral("翌月"), QKeySequence(Qt::Key_F7)},
              {2, QStringLiteral("翌年"), QKeySequence(Qt::Key_F8)}},
             &frmCal::optNext_Click);

    oOpt = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    oOpt->setObjectName(QStringLiteral("oOpt"));
    // The option handler tells its items by these indexes; 2 has no item.
    addItems(oOpt, QStringLiteral("optOpt"), optOpt,
             {{0, QStringLiteral("手帳(&B)"), {}},
              {1, QStringLiteral("年月日指定(&I)"), {}},
              {3, QStringLiteral("元のｻｲｽﾞ(&S)"), {}},
              {4, QStringLiteral("ﾍﾙﾌﾟ(&H)"), {}}},
             &frmCal::optOpt_Click);
    // After the indexed items, so that their indexes and handler stay as they are.
    opRestore = oOpt->addAction(QStringLiteral("ﾊﾞｯｸｱｯﾌﾟから復元(&R)"));
    opRestore->setObjectName(QStringLiteral("opRestore"));
    connect(opRestore, &QAction::triggered, this,
            [this] { platform::guard([this] { opRestore_Click(); }); });
    // Encrypting for a plain journal, changing the passphrase and decrypting for an encrypted one.
    const auto addLock = [this](const QString& caption, const QString& name, frmLock::Mode mode) {
        QAction* action = oOpt->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this,
                [mode] { platform::guard([mode] { windows::showLock(mode); }); });
        return action;
    };
    opEncrypt = addLock(QStringLiteral("日記を暗号化(&K)..."), QStringLiteral("opEncrypt"),
                        frmLock::Mode::Encrypt);
    opChangeKey = addLock(QStringLiteral("パスフレーズの変更(&K)..."),
                          QStringLiteral("opChangeKey"), frmLock::Mode::Change);
    opDecrypt = addLock(QStringLiteral("暗号化を解除(&U)..."), QStringLiteral("opDecrypt"),
                        frmLock::Mode::Decrypt);
    connect(oOpt, &QMenu::aboutToShow, this, &frmCal::showLockItems);
    showLockItems();
}

void frmCal::showLockItems() {
    const bool encrypted = store::journalEncrypted();
    opEncrypt->setVisible(!encrypted);
    opChangeKey->setVisible(encrypted);
    opDecrypt->setVisible(encrypted);
}

void frmCal::opFind_Click() {
    windows::showFinder();
}

QDate frmCal::highlightedDay() const {
    return platform::dates::parseStrict(oCal1->Value()).value_or(app::modFunc().WorkDate);
}

void frmCal::opPrint_Click() {
    windows::showBookPrinter(highlightedDay());
}

void frmCal::opExport_Click() {
    windows::showExporter(highlightedDay());
}

void frmCal::opRestore_Click() {
    windows::showRestore();
}

void frmCal::optPrev_Click(int Index) {
    switch (Index) {
    case 0:
        oCal1->PreviousDay();
        break;
    case 1:
        oCal1->PreviousMonth();
        break;
    case 2:
        oCal1->PreviousYear();
        break;
    default:
        return;
    }
    takeWorkDate();
}

void frmCal::optNext_Click(int Index) {
    switch (Index) {
    case 0:
        oCal1->NextDay();
        break;
    case 1:
        oCal1->NextMonth();
        break;
    case 2:
        oCal1->NextYear();
        break;
    default:
        return;
    }
    takeWorkDate();
}

void frmCal::oToday_Click() {
    oCal1->setValue(
        platform::dates::format(platform::clock().today(), QStringLiteral("yyyy/mm/dd")));
    takeWorkDate();
}
