#pragma once
// Takes a fuzzer's bytes apart: small numbers first, then the rest as data.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vsfuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool empty() const { return at_ >= size_; }
    size_t left() const { return size_ - at_; }
    // Up to `n` bytes as they come.
    std::string take(size_t n)
    {
        const size_t k = n < left() ? n : left();
        std::string out(reinterpret_cast<const char*>(data_ + at_), k);
        at_ += k;
        return out;
    }
    std::string rest() { return take(left()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace vsfuzz
