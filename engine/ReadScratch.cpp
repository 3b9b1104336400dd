#include "engine/ReadScratch.h"

#include "engine/internal/LogLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace tavrik {

ReadScratch::ReadScratch() : m_space(std::make_unique<detail::ScratchSpace>()) {}
ReadScratch::~ReadScratch() = default;

namespace detail {

namespace {

void reserve(ScratchSpace& space, std::size_t bytes, std::size_t keep) {
    if (bytes <= space.capacity) {
        return;
    }
    const std::size_t capacity = std::max(bytes, space.capacity + space.capacity / 2);
    // Not value-initialised: zeroing would touch every page for nothing.
    std::unique_ptr<char[]> grown(new char[capacity + simdjson::SIMDJSON_PADDING]);
    std::copy_n(space.buffer.get(), keep, grown.get());
    space.buffer = std::move(grown);
    space.capacity = capacity;
}

// Doubles the buffer, keeping its first keep bytes; false when there is not memory enough.
bool grow(ScratchSpace& space, std::size_t keep) {
    try {
        reserve(space, space.capacity * 2, keep);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

bool forEachLineOfFile(const std::string& path, ScratchSpace& space,
                       const std::function<void(std::string_view)>& onLine) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    // Blocks small enough to stay in the CPU caches between the line scan and the parse.
    constexpr std::size_t blockBytes = std::size_t{1} << 20;
    reserve(space, blockBytes, 0);
    std::size_t held = 0;   // bytes of a line not yet complete, at the start of the buffer
    bool skipping = false;  // inside a line too long to hold, dropped up to its line feed
    // The file may grow while it is read (an agent appending): read to the end whatever the
    // size was.
    for (;;) {
        if (held == space.capacity && !grow(space, held)) {
            held = 0;
            skipping = true;
        }
        char* const data = space.buffer.get();
        const ssize_t n =
            ::read(fd.get(), data + held, std::min(space.capacity - held, blockBytes));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            if (held > 0 && !skipping) {
                onLine(std::string_view(data, held));
            }
            return true;
        }
        const std::size_t end = held + static_cast<std::size_t>(n);
        std::size_t start = 0;
        std::size_t scan = held;
        while (const void* nl = std::memchr(data + scan, '\n', end - scan)) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(nl) - data);
            if (skipping) {
                skipping = false;
            } else if (at > start) {
                onLine(std::string_view(data + start, at - start));
            }
            start = scan = at + 1;
        }
        held = skipping ? 0 : end - start;
        if (start > 0 && held > 0) {
            std::memmove(data, data + start, held);
        }
    }
}

}  // namespace detail
}  // namespace tavrik
