// Feeds arbitrary bytes to the multistatus reader as a server's answer: it must either refuse
// them with std::runtime_error or give responses that each name a resource, with a status
// that is 0 or a real HTTP status, and whose hrefs are paths.
#include "sync/carddav/multistatus.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    carddav::Multistatus multistatus;
    try {
        multistatus = carddav::readMultistatus(xml);
    } catch (const std::runtime_error& error) {
        require(error.what()[0] != '\0', "a reason for the refusal");
        return 0;
    }
    for (const carddav::MultistatusResponse& response : multistatus.responses) {
        require(response.status == 0 || (response.status >= 100 && response.status <= 599),
                "a status that is an HTTP status");
        for (const auto& [name, hrefs] : response.hrefProperties)
            require(!name.empty(), "a property with a name");
    }
    return 0;
}
