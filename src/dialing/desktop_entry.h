#pragma once

#include <QString>
#include <QStringList>

// A program's desktop entry, read as far as starting the program needs: what the desktop does
// itself when it opens a link with it.
struct DesktopEntry {
    QString exec; // the Exec key, its string escapes undone
    QString name;
    QString icon;
    QString path; // the entry's file
};

// The [Desktop Entry] group of the file; nothing in `exec` when it cannot be read or has no
// Exec key.
DesktopEntry readDesktopEntry(const QString& path);

// The command line, program first, that opens `uri` with the entry: Exec split as a shell
// would split its quoting, the field codes for files and links replaced by `uri` (given once,
// behind the others, when Exec names none), %i, %c and %k by the entry's icon, name and file.
// Empty when Exec is empty or its quoting is broken.
QStringList commandOpening(const DesktopEntry& entry, const QString& uri);
