#include "dialing/telephone_application.h"

#include "dialing/telephone.h"

#include <QGuiApplication>

std::unique_ptr<QCoreApplication> applicationForTheTelephone()
{
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "zarvoth";
    static char* argv[] = {name, nullptr};
    if (telephone().behindPortal())
        return std::make_unique<QGuiApplication>(argc, argv);
    return std::make_unique<QCoreApplication>(argc, argv);
}
