#include "store/export/RangeReader.h"

#include "store/JournalKeys.h"
#include "store/Session.h"

#include <algorithm>

namespace store::exporting {

namespace {

using platform::sqlite::Connection;
using platform::sqlite::Statement;

// The range as bounds on the key's stored text.
std::pair<QString, QString> bounds(const Range& range) {
    return {dayKeys(range.firstDay()).value(0).toString(),
            dayKeys(range.lastDay()).value(1).toString()};
}

const char* vfsOf(const JournalFile& journal) {
    return journal.layer ? journal.layer->name() : nullptr;
}

} // namespace

JournalFile openJournalFile() {
    const auto& m = session();
    return {m.JournalDb->path(), m.JournalWs->layer()};
}

RangeReader::RangeReader(const JournalFile& journal, const Range& range)
    : layer_(journal.layer), journal_(journal.path, Connection::Mode::ReadOnly, vfsOf(journal)) {
    std::tie(from_, to_) = bounds(range);
}

std::optional<std::vector<Entry>> RangeReader::nextMonth() {
    Statement next(journal_.handle(),
                   "select cast(min(reg_dat) as text) from Mirel where reg_dat>=? and reg_dat<?");
    next.bind(1, from_).bind(2, to_);
    if (!next.step() || next.isNull(0))
        return std::nullopt;
    const QString first = next.text(0);
    next.reset();
    // "yyyy-mm-": every key of that month starts so.
    const QString month = first.left(8);
    // A key typed in by another tool may sort after "~"; it is passed over, never met again.
    const QString monthEnd = std::min(std::max(month + QLatin1Char('~'), first + QChar(1)), to_);
    Statement read(journal_.handle(),
                   "select cast(reg_dat as text), mirel_txt, memo_txt, pic_txt from Mirel"
                   " where reg_dat>=? and reg_dat<? order by reg_dat");
    read.bind(1, std::max(from_, month)).bind(2, monthEnd);
    std::vector<Entry> entries;
    while (read.step()) {
        const QDate date = QDate::fromString(read.text(0).left(10), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid())
            entries.push_back({date, read.text(1), read.text(2), read.text(3)});
    }
    from_ = monthEnd;
    return entries;
}

qint64 entriesIn(const JournalFile& file, const Range& range) {
    Connection journal(file.path, Connection::Mode::ReadOnly, vfsOf(file));
    Statement count(journal.handle(), "select count(*) from Mirel where reg_dat>=? and reg_dat<?");
    const auto [from, to] = bounds(range);
    count.bind(1, from).bind(2, to);
    return count.step() ? count.int64(0) : 0;
}

} // namespace store::exporting
