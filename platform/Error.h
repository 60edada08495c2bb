#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <string>

namespace platform {

// Error numbers the program reacts to or raises itself.
namespace errnum {
inline constexpr int TypeMismatch = 13;    // a text or value that is not a date
inline constexpr int DuplicateKey = 3022;  // second row for the same day
inline constexpr int NotADatabase = 26;    // a file that is no journal (SQLite's number)
inline constexpr int JournalGone = 3024;   // the journal file was deleted or replaced
inline constexpr int TableMissing = 3078;  // the journal table does not exist
inline constexpr int FieldTooSmall = 3163; // text longer than its column allows
inline constexpr int Cancelled = 32755;    // the user cancelled a file dialog
inline constexpr int PathFileAccess = 75;  // a file that cannot be written
inline constexpr int Internal = 51;        // anything else that escaped
inline constexpr int OutOfMemory = 7;
} // namespace errnum

// The one error type: a number and a description.
class Error : public std::exception {
public:
    Error(int number, QString description);

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    // The standard message text: description, "(", number, ")" without blanks.
    QString message() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    std::string what_;
};

// The error a date that does not exist raises.
Error typeMismatch();

// The standard message text for any number and description.
QString standardMessage(int number, const QString& description);

// The title of message boxes that name none of their own.
inline const QString& programTitle() {
    static const QString title = QStringLiteral("ORVANE");
    return title;
}

// Runs one entry point that Qt calls. Whatever escapes is shown as the standard message with the
// program title, and the program goes on. Returns false when something escaped.
bool guard(const std::function<void()>& body) noexcept;

} // namespace platform
