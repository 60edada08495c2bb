#include "store/Schema.h"

#include "store/JournalKeys.h"

namespace store {

platform::db::TableDef journalTable() {
    using platform::db::FieldType;
    platform::db::TableDef table;
    table.name = QStringLiteral("Mirel");
    table.fields = {
        {QStringLiteral("Reg_dat"), FieldType::DateTime},
        {QStringLiteral("Mirel_txt"), FieldType::Memo},
        {QStringLiteral("Memo_txt"), FieldType::Memo},
        {QStringLiteral("Pic_txt"), FieldType::Text, 100},
        {QStringLiteral("Error_kbn"), FieldType::YesNo},
        {QStringLiteral("Treat_dat"), FieldType::DateTime},
        {QStringLiteral("Treat_tim"), FieldType::DateTime},
        {QStringLiteral("Terminal_nam"), FieldType::Text, 30},
    };
    // Empty texts are stored as they are, not refused.
    for (const char* name : {"Mirel_txt", "Memo_txt", "Pic_txt", "Terminal_nam"}) {
        for (auto& field : table.fields) {
            if (field.name == QLatin1String(name))
                field.allowZeroLength = true;
        }
    }
    // SQLite cannot add a constraint to an existing table, so the key is part of the one
    // CREATE TABLE statement.
    table.primaryKeyName = QStringLiteral("mirel");
    table.primaryKeyField = QStringLiteral("Reg_dat");
    return table;
}

void tblMake(platform::db::Database& db) {
    db.createTable(journalTable());
    makeKeyIndexes(db);
    // A new table holds no keys in another form: the next look is due only when another program
    // changes the file.
    db.changedElsewhere();
}

} // namespace store
