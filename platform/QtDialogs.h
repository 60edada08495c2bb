#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

namespace platform {

// The real dialogs: standard Qt widgets, so a screen reader reads every text.
class QtDialogs : public Dialogs {
public:
    Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    std::optional<QString> passphrase(const QString& prompt, const QString& title,
                                      const QString& cancelText) override;
    std::optional<QString> openFile(const FileRequest& request) override;
    std::unique_ptr<PageJob> choosePrinter(const PrintRequest& request) override;
};

// Turns "caption|pattern|caption|pattern" into Qt name filters that keep the captions as shown
// and match "*.*" against every file.
QStringList qtNameFilters(const QString& filter);

} // namespace platform
