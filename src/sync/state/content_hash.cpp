#include "sync/state/content_hash.h"

#include <bit>
#include <cstring>

namespace syncing {

std::uint64_t contentHash(std::string_view bytes)
{
    // Eight bytes at a step; the length taken in first, so that texts that differ only by
    // trailing zero bytes differ.
    std::uint64_t hash = 0x243F6A8885A308D3 ^ (bytes.size() * 0x9E3779B97F4A7C15);
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = std::rotl((hash ^ word) * 0x9E3779B97F4A7C15, 29);
    }
    for (; at < bytes.size(); ++at)
        hash = (hash ^ static_cast<unsigned char>(bytes[at])) * 0x100000001B3;
    return hash ^ (hash >> 32);
}

} // namespace syncing
