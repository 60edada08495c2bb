#pragma once

#include <QByteArray>
#include <QString>

namespace testing {

// Writes a file, making its folder first, readable and writable by its owner (and runnable when
// executable is set). Returns the path. A file that cannot be written fails the running test.
QString writeFile(const QString& path, const QByteArray& content = "#!/bin/sh\n",
                  bool executable = false);

// The whole content of a file, empty when it cannot be read.
QByteArray readFile(const QString& path);

} // namespace testing
