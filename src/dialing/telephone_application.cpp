#include "dialing/telephone_application.h"

std::unique_ptr<QCoreApplication> applicationForTheTelephone()
{
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "zarvoth";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}
