#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A day's picture as an export writes it: found as the editor finds it and turned into PNG.
namespace store::exporting {

struct Picture {
    QByteArray png;  // the PNG file's contents; empty when there is no picture to write
    QString problem; // why not: the picture cannot be found or read
};

// Finds the picture of a stored path (the stored path, else the picture folder by its file
// name) and makes it a PNG file's contents: a PNG file as it is once it proves readable, any other
// picture converted. Safe to run on several threads at once.
Picture convertPicture(const QString& stored, const QString& pictureFolder);

} // namespace store::exporting
