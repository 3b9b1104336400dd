#pragma once

// ReadScratch: memory reused from one log file to the next while reading logs: the file's
// bytes and the JSON parser's working space. Reuse matters: touching a fresh buffer of
// hundreds of megabytes for every file costs more than parsing it. One per thread; the
// memory is returned when the scratch is destroyed.

#include <memory>

namespace tavrik {

namespace detail {
struct ScratchSpace;
}

class ReadScratch {
public:
    ReadScratch();
    ~ReadScratch();
    ReadScratch(const ReadScratch&) = delete;
    ReadScratch& operator=(const ReadScratch&) = delete;

    detail::ScratchSpace& space() { return *m_space; }

private:
    std::unique_ptr<detail::ScratchSpace> m_space;
};

}  // namespace tavrik
