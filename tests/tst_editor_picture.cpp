// The editor's picture: the picture button, drawing in the paint program, hovering.
#include "platform/Services.h"
#include "support/EditorFixture.h"
#include "support/Files.h"
#include "windows/editor/BuiltinImages.h"

#include <QLabel>
#include <QTimer>
#include <QtEndian>

using platform::Answer;
using windows::editor::BuiltinImage;
using windows::editor::builtinImage;

class EditorPictureTest : public testing::EditorTest {
    Q_OBJECT

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
        editor.savTxt->trigger();
        QCOMPARE(rows(u"select Pic_txt from Mirel"_s), testing::Rows{{drawn}});

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
        QVERIFY(addEntry(u"2026-12-05"_s, u"old"_s, {}, picture));
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

ORVANE_TEST_MAIN(EditorPictureTest)
#include "tst_editor_picture.moc"
