#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace platform {

// Pixel memory from calloc: a large buffer then comes as zero pages the
// kernel fills on first touch, so a screen-sized image nobody draws on costs
// next to nothing and nothing is zeroed twice.
class ZeroedBuffer {
 public:
  ZeroedBuffer() = default;
  explicit ZeroedBuffer(size_t size)
      // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): calloc's fresh zero pages are the point
      : data_(static_cast<uint8_t*>(std::calloc(size, 1))), size_(size) {
    if (!data_ && size > 0) throw std::bad_alloc();
  }
  ZeroedBuffer(const ZeroedBuffer& other) : ZeroedBuffer(other.size_) {
    if (size_ > 0) std::memcpy(data_.get(), other.data_.get(), size_);
  }
  ZeroedBuffer& operator=(const ZeroedBuffer& other) {
    if (this != &other) *this = ZeroedBuffer(other);
    return *this;
  }
  ZeroedBuffer(ZeroedBuffer&&) noexcept = default;
  ZeroedBuffer& operator=(ZeroedBuffer&&) noexcept = default;
  ~ZeroedBuffer() = default;

  uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }  // NOLINT(cppcoreguidelines-no-malloc): from calloc
  };
  std::unique_ptr<uint8_t, Free> data_;
  size_t size_ = 0;
};

}  // namespace platform
