// The C interface's side of an error: every C entry runs its work through
// c_call, which turns an exception into a status code and fills the
// caller's error record.  No exception crosses into C.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "pdferr/error.h"
#include "pdferr/errors.hpp"

namespace pdferr::common {

// Fills err (if any) and returns code.
inline std::int32_t report(pdferr_error* err, pdferr_status code, std::string_view message,
                           long line = 0, std::int64_t index = -1) noexcept {
  if (err != nullptr) {
    err->code = code;
    err->line = line > 0 && line <= INT32_MAX ? static_cast<std::int32_t>(line) : 0;
    err->index = index;
    const std::size_t n =
        message.size() < sizeof err->message ? message.size() : sizeof err->message - 1;
    std::memcpy(err->message, message.data(), n);
    err->message[n] = '\0';
  }
  return code;
}

// Runs work() and reports its outcome: PDFERR_OK, or the code of the
// exception it threw.
template <class Work>
std::int32_t c_call(pdferr_error* err, Work&& work) noexcept {
  try {
    work();
    return report(err, PDFERR_OK, "");
  } catch (const pdferr::file_error& e) {
    return report(err, PDFERR_FILE_ERROR, e.what(), e.line());
  } catch (const pdferr::domain_error& e) {
    return report(err, PDFERR_DOMAIN_ERROR, e.what(), 0, e.index());
  } catch (const std::invalid_argument& e) {
    return report(err, PDFERR_INVALID_ARGUMENT, e.what());
  } catch (const std::bad_alloc&) {
    return report(err, PDFERR_OUT_OF_MEMORY, "out of memory");
  } catch (const std::exception& e) {
    return report(err, PDFERR_INTERNAL_ERROR, e.what());
  } catch (...) {
    return report(err, PDFERR_INTERNAL_ERROR, "unknown exception");
  }
}

// A NULL pointer where the C interface needs one: an invalid argument.
inline void require(const void* p, const char* what) {
  if (p == nullptr) throw std::invalid_argument(std::string(what) + " is NULL");
}

// The arrays of a call on n points: NULL only where n is 0.
inline void require_points(std::size_t n, const void* x, const void* q, const void* out) {
  if (n == 0) return;
  require(x, "x");
  require(q, "q");
  require(out, "values");
}

// A pdferr_outside of the C interface.
inline pdferr::OutsideDomain outside_domain(std::int32_t outside) {
  if (outside == PDFERR_OUTSIDE_REFUSE) return pdferr::OutsideDomain::refuse;
  if (outside == PDFERR_OUTSIDE_NAN) return pdferr::OutsideDomain::nan;
  throw std::invalid_argument("outside = " + std::to_string(outside) +
                              " is neither PDFERR_OUTSIDE_REFUSE nor PDFERR_OUTSIDE_NAN");
}

// Opens a handle into *out, which is NULL unless the open succeeds: the
// value that open() returns, moved into a new Handle.
template <class Handle, class Open>
std::int32_t open_handle(Handle** out, const char* what, pdferr_error* err, Open&& open) noexcept {
  return c_call(err, [&] {
    require(out, what);
    *out = nullptr;
    *out = new Handle{open()};
  });
}

}  // namespace pdferr::common
