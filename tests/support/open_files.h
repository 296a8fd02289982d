#pragma once

#include <QStringList>

// The names of the data files ("datphone", "dephone") that this process holds open, as the
// system sees them through /proc/self/fd; empty when none is. A file deleted while open
// counts too.
QStringList openDataFiles();
