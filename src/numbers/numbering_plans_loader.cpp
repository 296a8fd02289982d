#include "numbers/numbering_plans.h"

#include "modules/module_loader.h"

#include <cstdio>

namespace numbers {

const NumberingPlans* numberingPlans()
{
    static const NumberingPlans* const plans = [] {
        const modules::ModuleEntry loaded =
            modules::loadModule("libzarvoth-numbers.so", NumberingPlansEntry);
        if (!loaded.entry) {
            // Said once; the comparison goes on by the digits, which loses nothing.
            std::fprintf(stderr,
                         "zarvoth: numbers are compared by their digits alone: the numbering "
                         "plans could not be loaded (%s); installing Zarvoth again mends it\n",
                         loaded.failure.c_str());
            return static_cast<const NumberingPlans*>(nullptr);
        }
        return reinterpret_cast<NumberingPlansEntryFunction>(loaded.entry)();
    }();
    return plans;
}

} // namespace numbers
