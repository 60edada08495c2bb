#include "store/backup/BackupFiles.h"

#include "platform/DurableFiles.h"
#include "platform/Error.h"

#include <QFile>

namespace store::backup {

// One line per item, tab-separated, so that a person can read it and restore by hand:
//   state <text> / entries <n> / newest <yyyy-mm-dd> / <sha256.ending> <path>
BackupList readList(const QString& path) {
    BackupList list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return list;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('\t'), 0, 0);
        const QString value = line.section(QLatin1Char('\t'), 1);
        if (key == QLatin1String("state")) {
            list.journalState = value;
        } else if (key == QLatin1String("entries")) {
            bool ok = false;
            const int entries = value.toInt(&ok);
            if (ok)
                list.entries = entries;
        } else if (key == QLatin1String("newest")) {
            const QDate day = QDate::fromString(value, Qt::ISODate);
            if (day.isValid())
                list.newest = day;
        } else if (!key.isEmpty() && !value.isEmpty() && !key.startsWith(QLatin1Char('#'))) {
            list.pictures.push_back({key, value});
        }
    }
    return list;
}

void writeList(const QString& path, const BackupList& list, int number) {
    QString text = QStringLiteral("# the pictures of this backup: stored file in pictures/, tab, "
                                  "where it was\n");
    text += QStringLiteral("state\t") + list.journalState + QLatin1Char('\n');
    if (list.entries)
        text += QStringLiteral("entries\t%1\n").arg(*list.entries);
    if (list.newest)
        text += QStringLiteral("newest\t") + list.newest->toString(Qt::ISODate) + QLatin1Char('\n');
    for (const PictureLine& line : list.pictures)
        text += line.stored + QLatin1Char('\t') + line.path + QLatin1Char('\n');
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::NewOnly | QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw platform::Error(number, file.errorString() + QLatin1Char('\n') + path);
    file.close();
    platform::syncFile(path, number);
}

} // namespace store::backup
