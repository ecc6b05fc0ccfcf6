#pragma once
// Test helper: a full disk on demand. While a TFileSizeLimit lives, no file of the test
// process can grow beyond the given size; a write past it fails with EFBIG, as it would
// on a full disk, instead of ending the process with SIGXFSZ. The limit binds root too,
// unlike file permissions.

#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>

#include <csignal>

class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t Bytes) {
    getrlimit(RLIMIT_FSIZE, &FSaved);
    FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{Bytes, FSaved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FSavedHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
  rlimit FSaved{};
  void (*FSavedHandler)(int) = SIG_DFL;
};
#endif
