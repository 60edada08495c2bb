// Printing the year's list as it stands in the notebook.
#include "windows/notebook/frmBar.h"

#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Printer.h"
#include "platform/Services.h"

#include <QTableWidget>

void frmBar::barPrint() {
    const QString mincho = QStringLiteral("ＭＳ Ｐ明朝");
    const QString pattern = QStringLiteral("yyyy年mm月dd日(aaa)");
    try {
        platform::Printer& printer = platform::printer();
        printer.setFont(mincho, 14, true);
        // The heading's own line break and the end of its line leave an empty line below it.
        printer.printLine(QStringLiteral("          手帳") + QString(25, QLatin1Char(' ')) +
                          platform::dates::format(platform::clock().today(), pattern) +
                          QLatin1Char('\n'));
        printer.setFont(mincho, 11, true);
        // The list as shown, not the journal: what the user sees is what is printed.
        for (int row = 0; row < Grid1->rowCount(); ++row) {
            const QTableWidgetItem* remark = Grid1->item(row, 1);
            printer.printLine(QLatin1Char('[') + platform::dates::format(rowDate(row), pattern) +
                              QStringLiteral("]  ") +
                              (remark != nullptr ? remark->text() : QString()));
        }
        printer.endDoc();
    } catch (const platform::Error& e) {
        platform::dialogs().message(e.message(), platform::Buttons::Ok, platform::Icon::None,
                                    platform::programTitle());
        return;
    }
    platform::dialogs().message(QStringLiteral("印刷データを出力しました。"), platform::Buttons::Ok,
                                platform::Icon::None, platform::programTitle());
}
