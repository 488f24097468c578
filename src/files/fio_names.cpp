// Names and directories: existence, attributes, deleting, renaming, the
// current directory. There are no drives here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/file_attributes.h"
#include "files/fio_core.h"
#include "tqusb/files/fio.h"

namespace FIO {
namespace {

// Runs a system call on the native name; false (error recorded) on failure.
template <typename Ch, typename Call>
bool OnName(unsigned int high, const Ch* name, Call call) {
  files::BeginCall();
  const auto native = files::NativeName(high, name);
  if (!native) return false;
  if (call(native->c_str())) return true;
  files::SetErrnoError(errno, native->c_str());
  return false;
}

template <typename Ch>
unsigned char IsKind(unsigned int high, const Ch* name, bool directory) {
  struct stat st {};
  if (!OnName(high, name, [&](const char* n) { return stat(n, &st) == 0; })) return 0;
  return S_ISDIR(st.st_mode) == directory;
}

// MoveFile and CreateDirectory report an existing target as "already exists".
void AlreadyExistsForFileExists() {
  if (files::LastError() == ErrFileExists) files::SetError(ErrAlreadyExists);
}

}  // namespace

unsigned char ExistsA(unsigned int nameHigh, const char* name) {
  return IsKind(nameHigh, name, false);
}
unsigned char ExistsW(unsigned int nameHigh, const char16_t* name) {
  return IsKind(nameHigh, name, false);
}
unsigned char ExistsDirA(unsigned int nameHigh, const char* name) {
  return IsKind(nameHigh, name, true);
}

unsigned char DeleteA(unsigned int nameHigh, const char* name) {
  return OnName(nameHigh, name, [](const char* n) { return unlink(n) == 0; });
}

unsigned char RenameA(unsigned int oldHigh, const char* oldName, unsigned int newHigh,
                      const char* newName) {
  files::BeginCall();
  const auto target = files::NativeName(newHigh, newName);
  if (!target) return 0;
  const bool moved = OnName(oldHigh, oldName, [&](const char* from) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: check, then rename.
    struct stat st {};
    if (lstat(target->c_str(), &st) == 0) {
      errno = EEXIST;
      return false;
    }
    return rename(from, target->c_str()) == 0;
  });
  if (!moved) AlreadyExistsForFileExists();
  return moved;
}

unsigned int GetFileAttrA(unsigned int nameHigh, const char* name) {
  struct stat st {};
  if (!OnName(nameHigh, name, [&](const char* n) { return stat(n, &st) == 0; })) return 0xFFFFFFFFu;
  return files::AttributesOf(st);
}

unsigned char SetFileAttrA(unsigned int nameHigh, const char* name, unsigned int attr) {
  return OnName(nameHigh, name, [attr](const char* n) {
    struct stat st {};
    if (stat(n, &st) != 0) return false;
    const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
    // Read-only takes every write permission away; clearing it gives the owner's back.
    const mode_t mode = (attr & AttrReadOnly) ? (st.st_mode & ~writable) : (st.st_mode | S_IWUSR);
    return chmod(n, mode & 07777) == 0;
  });
}

unsigned char ChDirA(unsigned int nameHigh, const char* name) {
  return OnName(nameHigh, name, [](const char* n) { return chdir(n) == 0; });
}

unsigned char MkDirA(unsigned int nameHigh, const char* name) {
  const bool made = OnName(nameHigh, name, [](const char* n) { return mkdir(n, 0777) == 0; });
  if (!made) AlreadyExistsForFileExists();
  return made;
}

unsigned char RmDirA(unsigned int nameHigh, const char* name) {
  return OnName(nameHigh, name, [](const char* n) { return rmdir(n) == 0; });
}

unsigned int GetDrive() {
  files::BeginCall();
  return 0;
}

unsigned char SetDrive(unsigned int) {
  files::BeginCall();
  files::SetError(ErrInvalidDrive);
  return 0;
}

unsigned char GetDirA(unsigned int drive, unsigned int high, char* buffer) {
  files::BeginCall();
  if (buffer == nullptr) {
    files::SetError(ErrInvalidParameter);
    return 0;
  }
  buffer[0] = '\0';
  if (drive != 0) {
    files::SetError(ErrInvalidDrive);
    return 0;
  }
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) {
    files::SetErrnoError(errno);
    return 0;
  }
  const std::size_t length = std::strlen(cwd);
  const bool fits = length <= static_cast<std::size_t>(high) + 1;
  if (fits) {
    std::memcpy(buffer, cwd, length);
    if (length <= high) buffer[length] = '\0';
  } else {
    files::SetError(ErrFilenameTooLong);
  }
  std::free(cwd);
  return fits;
}

}  // namespace FIO
