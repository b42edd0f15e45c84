// mizorel-helpunpack FILE: unpacks a compiled help file for the help viewer of Mizorel.
//
// chmlib trusts the file it reads: on a damaged file it may read out of bounds, divide by zero
// or loop. It therefore runs here, in a process of its own that the viewer starts, limits in
// time and memory, and whose output it checks, instead of inside the program. The records
// written to standard output are described in unpackformat.h.
#include "help/unpackformat.h"

#include <chm_lib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define MZ_SANITIZED_ADDRESSES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MZ_SANITIZED_ADDRESSES 1
#endif
#endif

namespace {

using namespace mz::help;

// Where the uncompressed section, which holds every stored object and the compressed stream,
// starts in the file. ITSF header: "ITSF", version, header length, ..., at 0x48 the directory
// offset and length, at 0x58 (version 3 only) the content offset; version 2 puts the content
// right after the directory. Nothing for a header that says something impossible.
std::optional<std::uint64_t> contentOffset(const unsigned char* header, std::size_t size) {
    if (size < 0x58 || std::memcmp(header, "ITSF", 4) != 0) return std::nullopt;
    const auto le = [header](std::size_t at, int bytes) {
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | header[at + static_cast<std::size_t>(i)];
        return v;
    };
    const std::uint64_t version = le(4, 4);
    const std::uint64_t dirOffset = le(0x48, 8);
    const std::uint64_t dirLength = le(0x50, 8);
    if (dirOffset > std::uint64_t(1) << 40 || dirLength > std::uint64_t(1) << 40)
        return std::nullopt;
    if (version >= 3) {
        if (size < 0x60) return std::nullopt;
        return le(0x58, 8);
    }
    return dirOffset + dirLength;
}

bool writeAll(const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void putLittleEndian(unsigned char* out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

struct Context {
    std::uint64_t storedEnd = 0;  // the end of the furthest stored object, relative to the content
    std::uint64_t total = 0;      // bytes of object data written so far
    int failure = kUnpacked;
};

int measureStored(chmFile*, chmUnitInfo* ui, void* context) {
    auto* c = static_cast<Context*>(context);
    if (ui->space == CHM_UNCOMPRESSED) {
        const std::uint64_t end = ui->start + ui->length;
        // An entry whose end wraps around is as bad as one past the end of the file.
        c->storedEnd = std::max(c->storedEnd, end < ui->start ? ~std::uint64_t(0) : end);
    }
    return CHM_ENUMERATOR_CONTINUE;
}

int sendObject(chmFile* file, chmUnitInfo* ui, void* context) {
    auto* c = static_cast<Context*>(context);
    const std::size_t pathLength = ::strnlen(ui->path, CHM_MAX_PATHLEN);
    // Directories end in a slash.
    if (pathLength == 0 || ui->path[0] != '/' || ui->path[pathLength - 1] == '/')
        return CHM_ENUMERATOR_CONTINUE;
    if (ui->length > kMaxObjectSize || c->total + ui->length > kMaxTotalSize) {
        c->failure = kTooLarge;
        return CHM_ENUMERATOR_FAILURE;
    }
    std::vector<unsigned char> data(static_cast<std::size_t>(ui->length));
    const LONGINT64 got = data.empty() ? 0
                                       : chm_retrieve_object(file, ui, data.data(), 0,
                                                             static_cast<LONGINT64>(data.size()));
    if (got != static_cast<LONGINT64>(data.size())) {
        c->failure = kUnreadable;
        return CHM_ENUMERATOR_FAILURE;
    }
    unsigned char pathSize[4];
    unsigned char dataSize[8];
    putLittleEndian(pathSize, pathLength, 4);
    putLittleEndian(dataSize, data.size(), 8);
    if (!writeAll(pathSize, sizeof pathSize) || !writeAll(ui->path, pathLength) ||
        !writeAll(dataSize, sizeof dataSize) || !writeAll(data.data(), data.size())) {
        c->failure = kOutputFailed;
        return CHM_ENUMERATOR_FAILURE;
    }
    c->total += data.size();
    return CHM_ENUMERATOR_CONTINUE;
}

// A damaged file that makes chmlib loop ends on the processor-time limit; one that makes it
// allocate without end, on the address-space limit. (AddressSanitizer reserves terabytes of
// address space up front, so a sanitized build keeps only the time limit.)
void limitResources() {
    const rlimit cpu{10, 10};
    ::setrlimit(RLIMIT_CPU, &cpu);
#ifndef MZ_SANITIZED_ADDRESSES
    const rlim_t bytes = rlim_t(2) * kMaxTotalSize + (rlim_t(512) << 20);
    const rlimit as{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &as);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "使い方: mizorel-helpunpack ヘルプファイル\n"
                             "Mizorel のヘルプ表示が使う補助プログラムです。\n");
        return kUsage;
    }
    limitResources();
    const char* path = argv[1];

    // The header is checked before chmlib sees the file.
    std::FILE* raw = std::fopen(path, "rb");
    if (raw == nullptr) return kNotChm;
    unsigned char header[0x60];
    const std::size_t got = std::fread(header, 1, sizeof header, raw);
    struct stat st {};
    const bool statted = ::fstat(::fileno(raw), &st) == 0 && S_ISREG(st.st_mode);
    std::fclose(raw);
    const auto content = contentOffset(header, got);
    if (!statted || !content) return kNotChm;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (*content > fileSize) return kNotChm;

    chmFile* file = chm_open(path);
    if (file == nullptr) return kNotChm;
    Context c;
    chm_enumerate(file, CHM_ENUMERATE_ALL, measureStored, &c);
    // chmlib reads a truncated file without complaint and hands out whatever the missing part
    // decompresses to; a file shorter than its own directory says is refused instead.
    if (c.storedEnd > fileSize - *content) {
        chm_close(file);
        return kTruncated;
    }
    // Pages and pictures (normal) and /#SYSTEM with its kin (special); not the ::DataSpace
    // objects, which are the compressed stream itself.
    chm_enumerate(file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                  sendObject, &c);
    chm_close(file);
    return c.failure;
}
