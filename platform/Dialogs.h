#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace platform {

class PageJob;
struct PrintRequest;

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Yes, No };

// An open-file dialog as the program sets it up.
struct FileRequest {
    QString title;             // empty: the toolkit's own title
    QString fileName;          // proposed file name, usually a full path
    QString filter;            // "caption|pattern|caption|pattern", "*.*" meaning every file
    int filterIndex = 1;       // preselected entry, counted from 1
    bool hideReadOnly = false; // no read-only check box
    bool mustExist = true;     // false: a typed name of a file yet to be made is taken too
    bool folder = false;       // an existing folder is chosen instead of a file
    bool save = false;         // a file to write: asks before replacing one that exists
};

// Message box, input box, file dialog and printer chooser. The program uses the Qt implementation;
// tests use a scripted one that answers from a queue and records every call.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer message(const QString& text, Buttons buttons, Icon icon,
                           const QString& title) = 0;
    // The typed text, or nothing when the user cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;
    // A passphrase typed into a hidden box, or nothing when the user chose the other button
    // (cancelText names it). Tests answer it as an input box.
    virtual std::optional<QString> passphrase(const QString& prompt, const QString& title,
                                              const QString& cancelText) {
        static_cast<void>(cancelText);
        return input(prompt, title, {});
    }
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(const FileRequest& request) = 0;
    // The desktop's printer chooser (platform/PagePrinter.h); nothing when the user cancelled.
    virtual std::unique_ptr<PageJob> choosePrinter(const PrintRequest& request) = 0;
};

// Opens the file dialog of the process-wide Dialogs; cancelling raises error 32755.
QString openFileOrThrow(const FileRequest& request);

} // namespace platform
