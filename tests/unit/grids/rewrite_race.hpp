// A grid file rewritten in place, over and over, while a test loads it:
// two contents in turn, each written over the other at once, so that a
// reader between two of its reads goes on in the other content.  Each
// rewrite ends by setting a modification time of its own, so that a reader
// that compares size and time before and after reading sees every rewrite
// that happened while it read, however coarse the file system's clock (a
// write alone may leave the time of the one before).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace gridtest {

// The pause between two rewrites: a few loads long (as long as one load
// took, measured by the caller), so that most loads meet no rewrite and some
// meet one, on fast and on instrumented builds alike; at least 10 ms.
inline std::chrono::microseconds rewrite_period(std::chrono::steady_clock::duration one_load) {
  using std::chrono::microseconds;
  return std::max(microseconds(10000), 4 * std::chrono::duration_cast<microseconds>(one_load));
}

class Rewriter {
 public:
  Rewriter(std::string path, std::string a, std::string b, std::chrono::microseconds period)
      : path_(std::move(path)), text_{std::move(a), std::move(b)}, period_(period), thread_([this] {
          run();
        }) {}
  ~Rewriter() {
    stop_ = true;
    thread_.join();
  }
  Rewriter(const Rewriter&) = delete;
  Rewriter& operator=(const Rewriter&) = delete;

 private:
  void run() {
    for (int k = 0; !stop_; ++k) {
      const std::string& text = text_[k % 2];
      const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      if (fd >= 0) {
        const auto size = static_cast<ssize_t>(text.size());
        if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) == size) {
          const timespec stamp{1000000000 + k, 0};
          const timespec times[2] = {stamp, stamp};
          ::futimens(fd, times);
        }
        ::close(fd);
      }
      std::this_thread::sleep_for(period_);
    }
  }

  std::string path_;
  std::string text_[2];
  std::chrono::microseconds period_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace gridtest
