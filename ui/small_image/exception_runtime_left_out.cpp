// The stub is built without exceptions, but libstdc++'s std::string still reports its rare
// failures (length overflow, out of memory, bad position) by throwing through these helpers,
// and linking the library's own versions would pull in the whole exception machinery and
// outgrow the image. In this program each of those failures is fatal anyway, so they end the
// process at once instead.
#include <cstdlib>
#include <new>

namespace std {
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
}  // namespace std

// Allocation failure ends the program rather than throwing std::bad_alloc.
void* operator new(std::size_t size) {
  void* block = malloc(size ? size : 1);
  if (!block) abort();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, std::size_t) noexcept { free(block); }
void operator delete[](void* block, std::size_t) noexcept { free(block); }

// The silent run's list sorts stably, and std::stable_sort asks for its buffer with the nothrow
// form (it sorts in place without one); the library's own would bring the exception machinery
// along with std::nothrow.
namespace std {
extern const nothrow_t nothrow;
const nothrow_t nothrow{};
}  // namespace std
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }
