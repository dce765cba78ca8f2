#pragma once
#include <cstddef>
#include <memory>

// Memory for a large buffer that is filled once, front to back (an unpacked
// worksheet, the keys of an import): where the system offers them, in pages
// of 2 MB. Every page a program touches for the first time costs a fault,
// and on some machines (virtual ones above all) a fault is dear: on the one
// this was measured on, touching 64 MB took 0.5-0.7 s in pages of 4 KB and
// 6-13 ms in pages of 2 MB.
class LargeBuffer {
public:
    enum class Fill { Uninitialised, Zeroes };
    LargeBuffer() = default;
    explicit LargeBuffer(std::size_t size, Fill fill = Fill::Uninitialised);
    char *data() { return m_bytes.get(); }
    const char *data() const { return m_bytes.get(); }
    std::size_t size() const { return m_size; }
    explicit operator bool() const { return m_bytes != nullptr; }

private:
    struct Release {
        std::size_t mapped; // 0: from the heap
        void operator()(char *bytes) const;
    };
    std::unique_ptr<char[], Release> m_bytes;
    std::size_t m_size = 0;
};
