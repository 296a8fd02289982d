#pragma once

#include <QCoreApplication>

#include <memory>

// What handing a call to the telephone needs of the application, for a process that shows no
// window (a command, the desktop's search): an application object to start the telephone
// program from, of the graphical kind inside a sandbox, where the desktop's portal is asked.
// Nothing when the process has one already.
std::unique_ptr<QCoreApplication> applicationForTheTelephone();
