#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// The folder an export is written into and the files in it. Every failure raises
// platform::Error 75 with the cause in words and the file's path.
namespace store::exporting {

// The name of the list of an export's files that marks a folder as the program's own.
inline const QString ListFileName = QStringLiteral(".orvane-export");

// One file being written, in blocks; created new (an existing file is an error).
class OutFile {
public:
    explicit OutFile(QString path);
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    void write(const QString& text) { write(text.toUtf8()); }
    void write(const QByteArray& bytes);
    // Writes what is left and closes the file.
    void close();

private:
    void flush();

    QString path_;
    int fd_ = -1;
    QByteArray buffer_;
};

class ExportFolder {
public:
    explicit ExportFolder(QString root) : root_(std::move(root)) {}
    const QString& root() const { return root_; }

    // A new file at a path relative to the root, its folders made first; it is on the list.
    std::unique_ptr<OutFile> create(const QString& relative);
    // A whole file at a path relative to the root.
    void writeFile(const QString& relative, const QByteArray& content);
    // Writes the list of the files written, which marks the folder as an export of the program.
    void writeList();

private:
    void makeFolderFor(const QString& relative);

    QString root_;
    QStringList files_;
    QStringList folders_;
};

// What a folder of an export's name holds.
enum class Existing { Nothing, OwnExport, Other };
// Own when it holds the program's list and nothing that is not on it.
Existing existingFolder(const QString& path);

} // namespace store::exporting
