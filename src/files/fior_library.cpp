// The free FIOR functions: path operations and searches on the library-wide
// redirection table.
#include "tqusb/files/fior.h"

namespace FIOR {
namespace {

// Shared without a lock: InitA and Done must not run during a search.
CRed2A g_redirection;

CRed1A& Table() {
  return g_redirection.Red;
}

}  // namespace

void InitA(unsigned int fileHigh, const char* fileName) {
  g_redirection.Init(fileHigh, fileName);
}

void Done() {
  g_redirection.Done();
}

void ExpandPathA(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst) {
  Table().ExpandPath(srcHigh, src, dstHigh, dst);
}

void SplitPathA(unsigned int pathHigh, const char* path, unsigned int dirHigh, char* dir,
                unsigned int nameHigh, char* name) {
  Table().SplitPath(pathHigh, path, dirHigh, dir, nameHigh, name);
}

void MakePathA(unsigned int resultHigh, char* result, unsigned int dirHigh, const char* dir,
               unsigned int nameHigh, const char* name) {
  Table().MakePath(resultHigh, result, dirHigh, dir, nameHigh, name);
}

void SplitAllPathA(unsigned int pathHigh, const char* path, unsigned int driveHigh, char* drive,
                   unsigned int dirHigh, char* dir, unsigned int nameHigh, char* name,
                   unsigned int extHigh, char* ext) {
  Table().SplitAllPath(pathHigh, path, driveHigh, drive, dirHigh, dir, nameHigh, name, extHigh,
                       ext);
}

void MakeAllPathA(unsigned int resultHigh, char* result, unsigned int driveHigh, const char* drive,
                  unsigned int dirHigh, const char* dir, unsigned int nameHigh, const char* name,
                  unsigned int extHigh, const char* ext) {
  Table().MakeAllPath(resultHigh, result, driveHigh, drive, dirHigh, dir, nameHigh, name, extHigh,
                      ext);
}

void JoinPathA(unsigned int resultHigh, char* result, unsigned int baseHigh, const char* base,
               unsigned int pathHigh, const char* path) {
  Table().JoinPath(resultHigh, result, baseHigh, base, pathHigh, path);
}

void ChangeExtensionA(unsigned int pathHigh, char* path, unsigned int extHigh, const char* ext) {
  Table().ChangeExtension(pathHigh, path, extHigh, ext);
}

void AddExtensionA(unsigned int pathHigh, char* path, unsigned int extHigh, const char* ext) {
  Table().AddExtension(pathHigh, path, extHigh, ext);
}

void GetExtensionA(unsigned int pathHigh, const char* path, unsigned int extHigh, char* ext) {
  Table().GetExtension(pathHigh, path, extHigh, ext);
}

void RemoveExtensionA(unsigned int pathHigh, char* path) {
  Table().RemoveExtension(pathHigh, path);
}

unsigned char IsExtensionA(unsigned int pathHigh, const char* path, unsigned int extHigh,
                           const char* ext) {
  return Table().IsExtension(pathHigh, path, extHigh, ext);
}

void WildcardTailA(unsigned int pathHigh, char* path) {
  Table().WildcardTail(pathHigh, path);
}

unsigned char FindPathA(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                        char* result) {
  return g_redirection.FindPath(nameHigh, name, resultHigh, result);
}

unsigned char FindNewPathA(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                           char* result) {
  return g_redirection.FindNewPath(nameHigh, name, resultHigh, result);
}

void* OpenA(unsigned int nameHigh, const char* name, unsigned int share) {
  return g_redirection.Open(nameHigh, name, share);
}

void* OpenReadA(unsigned int nameHigh, const char* name, unsigned int share) {
  return g_redirection.OpenRead(nameHigh, name, share);
}

void* CreateA(unsigned int nameHigh, const char* name, unsigned int share) {
  return g_redirection.Create(nameHigh, name, share);
}

unsigned char DeleteA(unsigned int nameHigh, const char* name) {
  return g_redirection.Delete(nameHigh, name);
}

}  // namespace FIOR
