#include "engine/ReadScratch.h"

#include "engine/internal/LogLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

std::optional<std::size_t> loadFile(const std::string& path, ScratchSpace& space) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    // The file may grow while it is read (an agent appending); read to the end whatever
    // the size said.
    std::size_t size = 0;
    reserve(space, static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1, 0);
    for (;;) {
        if (size == space.capacity) {
            reserve(space, space.capacity * 2, size);
        }
        const ssize_t n = ::read(fd.get(), space.buffer.get() + size, space.capacity - size);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        size += static_cast<std::size_t>(n);
    }
    return size;
}

}  // namespace detail
}  // namespace tavrik
