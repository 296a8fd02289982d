#pragma once

#include <QCoreApplication>

#include <memory>

// What handing a call to the telephone needs of the application, for a process that shows no
// window (a command, the desktop's search): an application object to start the telephone
// program from, or to ask the desktop's portal on the bus. Nothing when the process has one
// already.
std::unique_ptr<QCoreApplication> applicationForTheTelephone();
