// The editor's options menu: font size and the four paths (compaction: the random walk and
// tst_faults); and its picture: the picture button, drawing in the paint program, hovering.
#include "support/Testing.h"

using namespace testing;
using windows::editor::BuiltinImage;
using windows::editor::builtinImage;

class EditorOptionsTest : public testing::EditorTest {
    Q_OBJECT

    platform::FileRequest lastRequest() const { return env->dialogs.calls().back().file; }
    // A paint program: a script that notes how it was called and the canvas it got, and after
    // the pause given draws a red 2 x 2 picture into its file.
    QString paintProgram(const QString& pause = u"0"_s) const {
        QImage red(2, 2, QImage::Format_RGB32);
        red.fill(Qt::red);
        if (!red.save(env->root() + u"/red.bmp"_s))
            QTest::qFail("cannot write red.bmp", __FILE__, __LINE__);
        return testing::writeFile(
            env->root() + u"/bin/paint"_s,
            u"#!/bin/sh\ncd '%1'\necho \"$#:$1\" >> calls\ncp \"$1\" canvas.bmp\n"
            "sleep %2\ncp red.bmp \"$1\"\n"_s.arg(env->root(), pause)
                .toUtf8(),
            true);
    }
    QString calls() const {
        return QString::fromUtf8(testing::readFile(env->root() + u"/calls"_s));
    }
    static QString said(const testing::TestEnv& env) {
        return env.dialogs.calls().back().summary();
    }

private Q_SLOTS:
    void fontSizeAndPaths() {
        auto& m = app::modFunc();
        frmMirel& editor = open(QDate(2026, 12, 5));
        editor.opFsize[7]->trigger();
        QVERIFY(editor.textBox(1)->font().pointSize() == 16 &&
                editor.textBox(2)->font().pointSize() == 16);
        // The paint program: only a program is taken ("PBRUSH.EXE" is not one here).
        const QString before = m.pPath;
        env->dialogs.answerFile(testing::writeFile(env->root() + u"/PBRUSH.EXE"_s, "MZ"));
        editor.optPath[0]->trigger();
        QCOMPARE(m.pPath, before);
        const auto asked = lastRequest();
        QCOMPARE(asked.fileName + u'|' + asked.filter + u'|' + QString::number(asked.filterIndex),
                 before + u"|すべてのファイル (*.*)|*.*|ペイントツール (*.exe)|*.exe|1"_s);
        const QString paint =
            testing::writeFile(env->root() + u"/bin/paint"_s, "#!/bin/sh\n", true);
        env->dialogs.answerFile(paint);
        editor.optPath[0]->trigger();
        QCOMPARE(m.pPath, paint);
        // The picture folder: nothing typed changes nothing; a new one is made.
        const QString folder = m.gPath;
        env->dialogs.answerInput(QString());
        env->dialogs.answerInput(std::nullopt);
        editor.optPath[2]->trigger();
        editor.optPath[2]->trigger();
        QCOMPARE(m.gPath, folder);
        env->dialogs.answerInput(env->root() + u"/pictures"_s);
        editor.optPath[2]->trigger();
        QVERIFY(m.gPath == env->root() + u"/pictures"_s && QFileInfo(m.gPath).isDir());
        // A texture that cannot be loaded is forgotten.
        env->dialogs.answerFile(testing::writeFile(env->root() + u"/paper.bmp"_s, "no"));
        env->dialogs.answerMessage(Answer::Ok);
        editor.optPath[3]->trigger();
        QVERIFY(m.bgPath.isEmpty());
        QCOMPARE(env->dialogs.calls().back().summary(), u"ORVANE|0|1|ピクチャが不正です。(481)"_s);
        // Everything reaches the settings when the editor closes.
        editor.dEnd[1]->trigger();
        const QSettings stored(env->settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value("Mirel/FontSize").toString() + u'|' +
                     stored.value("Option/pPath").toString(),
                 u"16|"_s + paint);
    }

    void databasePath() {
        // An existing journal chosen, a new one made and used at once: the random walk. A new
        // one with the question cancelled, then the chooser cancelled: said, and nothing ends.
        frmMirel& editor = open(QDate(2026, 12, 5));
        env->dialogs.answerFile(env->root() + u"/fresh.mdb"_s);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(std::nullopt);
        env->dialogs.answerMessage(Answer::Ok);
        editor.optPath[1]->trigger();
        // (The two messages' words: tst_startup firstStart and chooserCancelled.)
        const auto& calls = env->dialogs.calls();
        QVERIFY(env->endings.isEmpty() && app::modFunc().JournalDb->path() == journal);
        // A name yet to be made is what this chooser, unlike the others, lets the user type.
        QVERIFY(!calls.at(0).file.mustExist && calls.at(2).file.mustExist);
    }

    void realFileDialogs() {
        // The desktop's own dialogs, answered as a user answers them: each file dialog is
        // cancelled, except that the database chooser's name of a file yet to be made is taken.
        platform::setDialogs(nullptr);
        const auto scripted = qScopeGuard([&] { platform::setDialogs(&env->dialogs); });
        QStringList modes;
        bool take = false; // the next file dialog is answered with its open button
        QPointer<QWidget> answered;
        QPointer<QFileDialog> taken; // open until it closes, or back after refusing the name
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == answered)
                return;
            answered = modal;
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                const bool again = files == taken;
                if (!again)
                    modes << (files->fileMode() == QFileDialog::AnyFile ? u"any"_s : u"existing"_s);
                if (!again && std::exchange(take, false))
                    taken = files;
                // After this tick: a refusal brings a message box of its own.
                QMetaObject::invokeMethod(files, files == taken && !again ? "accept" : "reject",
                                          Qt::QueuedConnection);
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                QAbstractButton* answer = box->defaultButton();
                (answer != nullptr ? answer : box->buttons().front())->click();
            }
        });
        user.start(10);
        auto& m = app::modFunc();
        m.pPath = env->root() + u"/no paint program"_s;
        frmMirel& editor = open(QDate(2026, 12, 5));
        editor.Command1[1]->click();
        editor.Picture1_DblClick();
        for (const int path : {0, 3})
            editor.optPath[path]->trigger();
        // The chooser proposes mdbPath; here a name with no file yet.
        m.mdbPath = env->root() + u"/new.mdb"_s;
        take = true;
        editor.optPath[1]->trigger();
        QCOMPARE(modes.join(u' '), u"existing existing existing existing any"_s);
        QCOMPARE(m.JournalDb->path(), env->root() + u"/new.mdb"_s);
    }

    void notebookFromTheEditor() {
        QPointer<frmMirel> editor = &open(QDate(2026, 12, 5));
        QTest::keyClicks(editor->Text1[1], u"note"_s);
        // An entry that cannot be saved keeps the editor open with it.
        editor->picFile = QString(101, u'p');
        env->dialogs.answerMessage(Answer::Ok);
        editor->opNote->trigger();
        QVERIFY(editor->isVisible() && windows::findNotebook() == nullptr);
        // Saved, the editor gives way to the notebook without storing its settings.
        editor->picFile.clear();
        editor->opNote->trigger();
        // (The entry saved and the notebook shown: the random walk.)
        testing::runDeferredDeletes();
        QVERIFY(!QFileInfo::exists(env->settingsFile()));
    }

    void drawingInThePaintProgram() {
        auto& m = app::modFunc();
        m.gPath = env->root() + u"/my pictures"_s; // a blank in the path
        QDir().mkpath(m.gPath);
        m.pPath = paintProgram(u"0.4"_s);
        // 1926/12/05 drew 261205.bmp long ago; 2026/12/05 must not draw over it.
        const QString older = testing::writeFile(m.gPath + u"/261205.bmp"_s, "1926");
        frmMirel& editor = open(QDate(2026, 12, 5));
        // While the program runs, timers go on (the windows repaint) but no window closes.
        bool closed = true;
        int ticks = 0;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (ticks++ == 0)
                closed = editor.close();
        });
        probe.start(50);
        editor.Picture1_DblClick();
        QVERIFY(!closed && ticks >= 3 && editor.isVisible());
        // It started from a white 240 x 120 canvas, got its path as one argument, blanks and
        // all, and the editor waited for its very end: the drawing shows.
        const QString drawn = m.gPath + u"/261205-2.bmp"_s;
        QCOMPARE(calls(), u"1:"_s + drawn + u'\n');
        QImage blank(240, 120, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QCOMPARE(QImage(env->root() + u"/canvas.bmp"_s).convertToFormat(blank.format()), blank);
        QCOMPARE(testing::readFile(older), "1926");
        QVERIFY(editor.picFile == drawn && editor.txtChg && m.PaintPid > 0);
        QCOMPARE(editor.shownPicture().pixelColor(1, 1), QColor(Qt::red));
        // An attached picture is drawn in as it is: no new file.
        m.pPath = paintProgram();
        editor.Picture1_DblClick();
        QCOMPARE(calls(), u"1:%1\n1:%1\n"_s.arg(drawn));
        QCOMPARE(QDir(m.gPath).count(), 4u); // ., .., the two pictures

        // A program that cannot start: nothing waits, the user is asked for another, and the
        // next double-click starts that one.
        const QString program = m.pPath;
        const QString gone = env->root() + u"/gone/paint"_s;
        m.pPath = gone;
        // A file that is no program is refused, saying so.
        for (const QString& chosen : {drawn, program}) {
            env->dialogs.answerMessage(Answer::Ok);
            env->dialogs.answerFile(chosen);
            if (chosen == drawn)
                env->dialogs.answerMessage(Answer::Ok);
            editor.Picture1_DblClick();
        }
        QCOMPARE(env->dialogs.calls().at(0).summary(),
                 u"ORVANE|0|0|ペイントツールを指定してください。"_s);
        QCOMPARE(env->dialogs.calls().at(2).summary(),
                 u"ORVANE|0|0|プログラムではないファイルです。"_s);
        QCOMPARE(m.pPath, program);
        QCOMPARE(status(editor), u"ペイントツールを指定してください。"_s);
        editor.Picture1_DblClick();
        QCOMPARE(calls().count(u'\n'), 3);
    }

    void pictureButton() {
        auto& m = app::modFunc();
        const QString photo = m.gPath + u"/IMG_0001.JPG"_s;
        QImage green(3, 3, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(green.save(photo, "JPG"));
        // Every file on a memory stick is executable: a photograph is still a photograph.
        QFile::setPermissions(photo, QFile::permissions(photo) | QFile::ExeOwner);
        frmMirel& editor = open(QDate(2026, 12, 5));
        env->dialogs.answerFile(photo);
        editor.Command1[1]->click();
        const auto& asked = env->dialogs.calls().back().file;
        QCOMPARE(asked.fileName + u'|' + asked.filter + u'|' + QString::number(asked.filterIndex),
                 m.gPath + u"/p261205.bmp|すべてのファイル (*.*)|*.*|ＢＭＰ ファイル (*.bmp)|*.bmp|"
                           "ＪＰＧ ファイル (*.jpg)|*.jpg|ペイントツール (*.exe)|*.exe|2"_s);
        QVERIFY(asked.hideReadOnly && editor.picFile == photo && editor.txtChg);
        QCOMPARE(status(editor), u"画像を削除するにはキャンセルしてください。"_s);
        QCOMPARE(editor.shownPicture().size(), QSize(3, 3));

        // A program: the paint program changes, the picture stays attached.
        const QString program = paintProgram();
        env->dialogs.answerFile(program);
        editor.txtChg = false;
        editor.pictureButton_Click();
        QVERIFY(m.pPath == program && editor.picFile == photo && !editor.txtChg);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        // Cancelled with a picture attached: No keeps it, Yes removes it.
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            env->dialogs.answerFile(std::nullopt);
            env->dialogs.answerMessage(answer);
            editor.pictureButton_Click();
            QCOMPARE(said(*env), u"ORVANE|2|0|画像を削除しますか？"_s);
        }
        QVERIFY(editor.picFile.isEmpty() && editor.txtChg);
        QCOMPARE(status(editor), u"ペイントツールの選択もできます。"_s);
        // A file that is no picture is attached all the same, after the message.
        const QString notes = testing::writeFile(m.gPath + u"/notes.EXE"_s, "text");
        env->dialogs.answerFile(notes);
        env->dialogs.answerMessage(Answer::Ok);
        editor.pictureButton_Click();
        QCOMPARE(said(*env), u"ORVANE|0|0|ピクチャが不正です。(481)"_s);
        QCOMPARE(editor.picFile, notes);
    }

    void hoveringAndDamagedPictures() {
        // A stored picture that is damaged: reported once while it stays so, kept attached.
        const QString picture = testing::writeFile(app::modFunc().gPath + u"/261205.bmp"_s, "BM?");
        putEntry(journal, u"2026-12-05"_s, u"old"_s, {}, picture);
        env->dialogs.answerMessage(Answer::Ok);
        frmMirel& editor = open(QDate(2026, 12, 5));
        QTest::mouseMove(editor.Picture1, QPoint(5, 5));
        QTest::mouseMove(editor.Picture1, QPoint(6, 6));
        QCOMPARE(env->dialogs.messageTexts(), QStringList{u"ピクチャが不正です。(481)"_s});
        QCOMPARE(status(editor), u"画像として読み込めません。"_s + picture);
        QCOMPARE(editor.shownPicture(), builtinImage(BuiltinImage::Placeholder));
        QCOMPARE(editor.picFile, picture);
        // Mended on disk, it shows at the next hover; one too large to load is a message too.
        // A plain click names it too.
        QVERIFY(builtinImage(BuiltinImage::Icon).save(picture, "BMP"));
        editor.StatusBar1->clearMessage();
        QTest::mouseClick(editor.Picture1, Qt::LeftButton, {}, QPoint(7, 7));
        QCOMPARE(editor.shownPicture().size(), QSize(32, 32));
        QCOMPARE(status(editor), picture);
        QByteArray huge = testing::readFile(picture);
        for (const int at : {18, 22}) // width and height: 20,000 pixels
            qToLittleEndian<qint32>(20000, huge.data() + at);
        testing::writeFile(picture, huge); // the same size: told apart by its time
        QFile file(picture);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                 QFileDevice::FileModificationTime));
        file.close();
        env->dialogs.answerMessage(Answer::Ok);
        QTest::mouseMove(editor.Picture1, QPoint(8, 8));
        QCOMPARE(env->dialogs.messageTexts().size(), 2);
        QCOMPARE(editor.picFile, picture);
    }
};

ORVANE_TEST_MAIN(EditorOptionsTest)
#include "tst_editor_options.moc"
