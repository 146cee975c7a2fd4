#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace plotaktar {

// An immutable block of bytes (a whole input file) that table cells may point into, so that
// a field read from a file is stored without a copy. Tables that hold such cells share the
// buffer; it lives as long as any of them still holds it.
class ByteBuffer {
  public:
    explicit ByteBuffer(size_t capacity)
        : data_(capacity ? new char[capacity] : nullptr), size_(capacity) {}
    ByteBuffer(std::unique_ptr<char[]> data, size_t size) : data_(std::move(data)), size_(size) {}

    char* data() { return data_.get(); }
    const char* data() const { return data_.get(); }
    size_t size() const { return size_; }
    std::string_view view() const { return {data_.get(), size_}; }
    bool contains(const char* p) const { return p >= data_.get() && p < data_.get() + size_; }

  private:
    std::unique_ptr<char[]> data_;
    size_t size_;
};

using SharedBytes = std::shared_ptr<const ByteBuffer>;

}  // namespace plotaktar
