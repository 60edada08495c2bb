#include "bench/JournalGenerator.h"

#include "platform/Database.h"
#include "platform/Dates.h"
#include "store/Schema.h"

#include <QFile>
#include <QSet>

#include <sqlite3.h>

#include <random>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

// Words of two kanji, katakana loan words and kanji with okurigana: several thousand in all, so
// the text compresses and indexes like a real diary's, not like one phrase repeated.
class Vocabulary {
public:
    Vocabulary() {
        const QString kanji = QStringLiteral(
            "日月火水木金土山川田雨雪風空花草森林海島町村道駅家庭店部屋窓門車電話手紙本絵音楽歌"
            "朝昼夜夕春夏秋冬天気晴曇寒暑温涼新古早遅近遠大小高低長短明暗白黒赤青緑茶色友達父"
            "母兄姉弟妹子供先生学校会社仕事休旅行散歩料理食事朝飯夕飯買物映画写真公園図書館病院"
            "時間週末毎年今昨明後前午心体頭目耳口足思考感想夢話言葉文字読書記録計画約束準備練習");
        std::mt19937 random(1998);
        std::uniform_int_distribution<qsizetype> pick(0, kanji.size() - 1);
        QSet<QString> seen;
        while (nouns_.size() < 3000) {
            const QString word = QString(kanji[pick(random)]) + kanji[pick(random)];
            if (!seen.contains(word)) {
                seen.insert(word);
                nouns_.push_back(word);
            }
        }
        const QString kana =
            QStringLiteral("アイウエオカキクケコサシスセソタチツテトナニヌネノハヒ"
                           "フヘホマミムメモヤユヨラリルレロワンガギグゲゴパピプペポ");
        std::uniform_int_distribution<qsizetype> pickKana(0, kana.size() - 1);
        std::uniform_int_distribution<int> length(2, 5);
        while (loanWords_.size() < 1500) {
            QString word;
            for (int n = length(random); n > 0; --n)
                word += kana[pickKana(random)];
            if (random() % 3 == 0)
                word.insert(1, QChar(u'ー'));
            if (!seen.contains(word)) {
                seen.insert(word);
                loanWords_.push_back(word);
            }
        }
        for (const char* verb :
             {"行った", "見た",       "食べた",   "読んだ",   "書いた",   "買った",
              "話した", "歩いた",     "考えた",   "描いた",   "聞いた",   "作った",
              "待った", "楽しかった", "寒かった", "暑かった", "眠かった", "嬉しかった",
              "疲れた", "笑った",     "出かけた", "帰った",   "休んだ",   "覚えた"}) {
            verbs_.push_back(QString::fromUtf8(verb));
        }
    }

    // A sentence: a few words with their particles, then a verb.
    QString sentence(std::mt19937& random) const {
        static const char* particles[] = {"は", "が", "を",   "に",   "で", "と",
                                          "の", "へ", "から", "まで", "も", "より"};
        QString text;
        for (int n = 2 + int(random() % 4); n > 0; --n) {
            text += random() % 4 == 0 ? loanWords_[random() % loanWords_.size()]
                                      : nouns_[random() % nouns_.size()];
            text += QString::fromUtf8(particles[random() % std::size(particles)]);
            if (random() % 5 == 0)
                text += QChar(u'、');
        }
        text += verbs_[random() % verbs_.size()];
        text += QChar(u'。');
        return text;
    }

    QString text(std::mt19937& random, int chars, bool lineBreaks) const {
        QString text;
        while (text.size() < chars) {
            text += sentence(random);
            if (lineBreaks && random() % 4 == 0)
                text += QLatin1Char('\n');
        }
        return text.left(chars);
    }

private:
    std::vector<QString> nouns_;
    std::vector<QString> loanWords_;
    std::vector<QString> verbs_;
};

void check(int code, sqlite3* handle) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(handle));
}

} // namespace

int generateJournal(const QString& path, const JournalShape& shape) {
    {
        auto db = platform::db::Workspace().createDatabase(path);
        store::tblMake(*db);
    }
    const Vocabulary words;
    // One transaction for the whole file: this is set-up, not what is measured.
    sqlite3* handle = nullptr;
    check(sqlite3_open(QFile::encodeName(path).constData(), &handle), handle);
    check(sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr), handle);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(handle, "insert into Mirel values(?,?,?,?,0,?,?,?)", -1, &insert,
                             nullptr),
          handle);
    int written = 0;
    for (QDate day = shape.firstDay; day.isValid() && day <= shape.lastDay; day = day.addDays(1)) {
        std::mt19937 random(static_cast<std::mt19937::result_type>(day.toJulianDay()));
        const QString key = platform::db::toStorageText(QDateTime(day, QTime(0, 0)));
        const bool picture = day.toJulianDay() % shape.pictureEvery == 0;
        const QByteArray values[] = {
            key.toUtf8(),
            words.text(random, shape.textChars, true).toUtf8(),
            words.text(random, shape.remarkChars, false).toUtf8(),
            picture ? QStringLiteral("/home/diarist/.local/share/orvane/Graphic/%1.bmp")
                          .arg(platform::dates::format(day, QStringLiteral("yymmdd")))
                          .toUtf8()
                    : QByteArray(""),
            key.toUtf8(),
            platform::db::toStorageText(QDateTime(platform::dates::zeroDate(), QTime(21, 5, 9)))
                .toUtf8(),
            QByteArrayLiteral("BENCH")};
        for (int i = 0; i < 7; ++i) {
            check(sqlite3_bind_text(insert, i + 1, values[i].constData(),
                                    static_cast<int>(values[i].size()), SQLITE_TRANSIENT),
                  handle);
        }
        check(sqlite3_step(insert), handle);
        sqlite3_reset(insert);
        ++written;
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr), handle);
    sqlite3_close(handle);
    return written;
}

} // namespace bench
