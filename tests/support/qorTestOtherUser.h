#pragma once
// Test helper: file permissions as a user who is not the files' owner. Root passes every
// permission check, so a test running as root acts as "nobody" while a TActingUser
// lives; any other user stays itself. Permissions(...) gives the mode that grants the
// acting user just the given bits (rwx as 0 to 7) on a file the test created.

#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>

class TActingUser {
public:
  // The group first: root's group would get the group's bits instead of the others'.
  TActingUser() {
    if (FRoot) FSwitched = setegid(Nobody) == 0 && seteuid(Nobody) == 0;
  }
  ~TActingUser() {
    if (!FRoot) return;
    (void)seteuid(0);
    (void)setegid(0);
  }
  TActingUser(const TActingUser&) = delete;
  TActingUser& operator=(const TActingUser&) = delete;

  // False when root could not become "nobody": the test cannot check permissions then.
  bool valid() const { return !FRoot || FSwitched; }

  // The mode of a file created now (before the switch) that grants the acting user the
  // bits Rwx: root's files grant them to others, anybody else's to the owner.
  static mode_t Permissions(mode_t Rwx) { return geteuid() == 0 ? (S_IRWXU | Rwx) : (Rwx << 6); }

private:
  static constexpr uid_t Nobody = 65534;  // also the group "nogroup"
  const bool FRoot = geteuid() == 0;
  bool FSwitched = false;
};
#endif
