// The vocabulary ticker of the editor's status line and its table of words.
#include "support/EditorFixture.h"
#include "windows/editor/Ticker.h"
#include "windows/editor/Vocabulary.h"

#include <QComboBox>
#include <QTimer>

#include <cmath>

using windows::editor::nextRowIndex;
using windows::editor::tick;

class TickerTest : public testing::EditorTest {
    Q_OBJECT

    // The lines of one cycle, tick by tick, starting from a line that holds a message.
    static QStringList cycle(const QString& row, const QString& message = {}) {
        qint16 position = 0;
        QStringList lines;
        for (QString line = message;;) {
            const auto next = tick(position, row, line);
            lines << next.line;
            if (next.ended)
                return lines;
            line = next.line;
        }
    }

private Q_SLOTS:
    void cyclesAndChoices() {
        // 2L + 22 ticks: typed in, held ten ticks, scrolled out, cleared.
        QCOMPARE(cycle({}).size(), 22);
        QCOMPARE(cycle(u"  ：  "_s).size(), 32);
        const QStringList abc = cycle(u"abc"_s, u"保存"_s);
        QCOMPARE(abc.size(), 28);
        QCOMPARE(abc.mid(0, 3), (QStringList{u"保存a"_s, u"保存ab"_s, u"保存abc"_s}));
        QVERIFY(abc.at(12) == u"保存abc"_s && abc.at(13) == u"存abc"_s); // the message goes first
        QCOMPARE(abc.mid(17), (QStringList{"", "", "", "", "", "", "", "", "", "", ""}));
        // The next row: nearest to r x count - 1, halves to the even one; -1 is no row, and the
        // two ends come up half as often as the others.
        QCOMPARE(nextRowIndex(0.0f, 196), -1);
        QCOMPARE(nextRowIndex(std::nextafter(1.0f, 0.0f), 196), 195);
        QCOMPARE(nextRowIndex(0.375f, 4), 0);
        QCOMPARE(nextRowIndex(0.625f, 4), 2);
        QCOMPARE(nextRowIndex(0.62f, 4), 1);
    }

    void vocabularyTable() {
        const QStringList rows = windows::editor::vocabularyRows();
        QCOMPARE(rows.size(), 196);
        QCOMPARE(rows.at(0),
                 u"sentence  ：  判決(を下す)、宣告(する)[verdict,judgment,decree,penalty]"_s);
        QCOMPARE(rows.at(10), u"complete  ：  完全な、完成した、完成する <incomplete>"_s);
        QCOMPARE(rows.at(12),
                 u"minute(ﾏｲﾆｭｰﾄ)  ：  微少な、詳細な [tiny,insignificant] <large,huge>"_s);
        QCOMPARE(rows.at(60), u"fit  ：  発作、気まぐれ [seizure,stroke,paroxysm]"_s);
        QCOMPARE(
            rows.at(193),
            u"particular  ：  特有の、個別の、特別の、(好みなどが)うるさい、事項、詳細、特色"_s);
        QCOMPARE(rows.at(195), u"  ：  "_s);
        QCOMPARE(rows.at(39).section(u"  ："_s, 0, 0), u"devidend"_s);
        int synonyms = 0, antonyms = 0, neither = 0;
        qsizetype longest = 0;
        for (const QString& row : rows) {
            QVERIFY2(row.contains(u"  ：  "_s), qPrintable(row));
            const bool s = row.contains(u'['), a = row.contains(u'<');
            synonyms += s;
            antonyms += a;
            neither += !s && !a;
            longest = std::max(longest, row.size());
        }
        QCOMPARE((QList<qsizetype>{synonyms, antonyms, neither, longest}),
                 (QList<qsizetype>{119, 22, 73, 111}));
    }

    void inTheEditor() {
        frmMirel& editor = open(QDate(2026, 12, 5));
        // The rows, no row chosen yet, the 150 ms timer running, the chooser seeded from the
        // clock at the opening.
        QCOMPARE(editor.Combo1->count(), 196);
        QVERIFY(editor.Combo1->currentIndex() == -1 && editor.Combo1->isHidden());
        QVERIFY(editor.Timer1->isActive() && editor.Timer1->interval() == 150);
        QRandomGenerator seeded(quint32(env->clock.now().toMSecsSinceEpoch()));
        const int first = nextRowIndex(float(seeded.generateDouble()), 196);
        // The first cycle runs on no row; a save message scrolls out of it.
        editor.StatusBar1->showMessage(u"登録しました。"_s);
        for (int i = 0; i < 11; ++i)
            editor.Timer1_Timer();
        QCOMPARE(status(editor), u"録しました。"_s);
        for (int i = 0; i < 11; ++i)
            editor.Timer1_Timer();
        QVERIFY(status(editor).isEmpty() && editor.Combo1->currentIndex() == first);
        editor.Timer1_Timer();
        QCOMPARE(status(editor), editor.Combo1->currentText().left(1));
    }
};

ORVANE_TEST_MAIN(TickerTest)
#include "tst_ticker.moc"
