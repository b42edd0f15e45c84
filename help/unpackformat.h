#pragma once
// What mizorel-helpunpack writes and how it ends, shared by the helper and the viewer that
// reads its output (app/helparchive.cpp).
//
// The helper writes every ordinary object of a compiled help file to standard output as
// records of
//     [u32 path length][path, UTF-8][u64 data length][data]
// with both lengths little-endian, and exits with kUnpacked once every object has been
// written in full. Any other ending means the file was refused.

#include <cstdint>

namespace mz::help {

enum UnpackExit : int {
    kUnpacked = 0,
    kUsage = 1,
    kNotChm = 2,       // no ITSF header, or one that says something impossible
    kTruncated = 3,    // shorter than its own directory says
    kUnreadable = 4,   // an object that cannot be read in full, or a directory that loops
    kOutputFailed = 5, // standard output was closed
    kTooLarge = 6,     // an object or the whole beyond the limits below
};

// Limits on what a help file may unpack to, so that a damaged directory cannot make either
// process allocate gigabytes. The help file of the program is a few hundred kilobytes.
inline constexpr std::uint64_t kMaxObjectSize = 64ull * 1024 * 1024;
inline constexpr std::uint64_t kMaxTotalSize = 256ull * 1024 * 1024;
// The longest path an object may have (chmlib's own limit).
inline constexpr std::uint32_t kMaxPathLength = 512;

}  // namespace mz::help
