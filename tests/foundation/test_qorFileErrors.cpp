#include "qorFileErrors.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// Every error that opening, reading, writing, syncing, renaming or looking at a file can
// give, as the system's manuals list them, reads in German for both kinds of access. Only
// what the program's own calls rule out keeps the system's text: a bad handle or address,
// an interrupted call (it is repeated), a taken temporary name (another is tried), a
// rename across devices or over a folder (the temporary file lies beside its target, and
// a folder is refused before).
TEST(FileErrors, EveryErrorOfAFileHasAGermanReason) {
  const int codes[] = {EACCES,  EPERM,     EBUSY,        EDQUOT,      EFBIG,  EINVAL, EISDIR,  ELOOP, EMFILE,
                       ENFILE,  ENODEV,    ENAMETOOLONG, ENOENT,      ENOMEM, ENOSPC, ENOTDIR, ENXIO, EROFS,
                       ETXTBSY, EOVERFLOW, EOPNOTSUPP,   EWOULDBLOCK, EAGAIN, EIO,    ESTALE};
  for (const TFileAccess access : {TFileAccess::Read, TFileAccess::Write})
    for (const int code : codes) {
      const QString reason = FileErrorReason(code, access);
      EXPECT_FALSE(reason.startsWith("Systemfehler")) << code << ": " << reason.toStdString();
    }
  EXPECT_EQ(FileErrorReason(EAGAIN, TFileAccess::Read), "Die Datei ist vorübergehend nicht verfügbar.");
  EXPECT_EQ(FileErrorReason(EFBIG, TFileAccess::Write), "Datei zu groß");
  EXPECT_TRUE(FileErrorReason(EBADF, TFileAccess::Read).startsWith("Systemfehler (" + QString::number(EBADF) + ") "));
}

}  // namespace
