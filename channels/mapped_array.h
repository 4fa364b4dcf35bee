#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

namespace rz4::channels {

// A growing array of plain values in pages of its own. It grows by remapping its pages, so growing
// copies nothing and no page is written twice, and it asks for huge pages: here a fresh page costs
// more than what is written to it (6 ms a MiB of 4 KiB pages, 3 with 2 MiB ones), and a list of a
// million channels fills 40 MiB.
template <class T> class MappedArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    MappedArray() = default;
    ~MappedArray() { release(); }
    MappedArray(const MappedArray&) = delete;
    MappedArray& operator=(const MappedArray&) = delete;
    MappedArray(MappedArray&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0)) {}
    MappedArray& operator=(MappedArray&& other) noexcept {
        if (this != &other) {
            release();
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_capacity = std::exchange(other.m_capacity, 0);
        }
        return *this;
    }

    std::size_t size() const { return m_size; }
    const T* data() const { return m_data; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }

    void push_back(const T& value) {
        reserve(m_size + 1);
        m_data[m_size++] = value;
    }
    void append(const T* values, std::size_t count) {
        if (count == 0) {
            return; // nothing may be mapped yet
        }
        reserve(m_size + count);
        std::memcpy(m_data + m_size, values, count * sizeof(T));
        m_size += count;
    }
    // New elements are zero.
    void resize(std::size_t size) {
        reserve(size);
        if (size > m_size) {
            std::memset(m_data + m_size, 0, (size - m_size) * sizeof(T));
        }
        m_size = size;
    }
    // Gives every page back.
    void clear() { release(); }

private:
    static constexpr std::size_t HugePage = std::size_t{2} << 20;

    void reserve(std::size_t needed) {
        if (needed <= m_capacity) {
            return;
        }
        const std::size_t capacity = std::max({needed, m_capacity * 2, HugePage / sizeof(T)});
        if (capacity > (std::size_t{1} << 40) / sizeof(T)) {
            throw std::bad_alloc();
        }
        void* pages =
            m_data == nullptr
                ? ::mmap(nullptr, capacity * sizeof(T), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                : ::mremap(m_data, m_capacity * sizeof(T), capacity * sizeof(T), MREMAP_MAYMOVE);
        if (pages == MAP_FAILED) {
            throw std::bad_alloc();
        }
        ::madvise(pages, capacity * sizeof(T), MADV_HUGEPAGE);
        m_data = static_cast<T*>(pages);
        m_capacity = capacity;
    }

    void release() {
        if (m_data != nullptr) {
            ::munmap(m_data, m_capacity * sizeof(T));
        }
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace rz4::channels
