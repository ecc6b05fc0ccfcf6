#include "LuaLib.h"

#include "qorException.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

#include <memory>

namespace LuaLib {

#define QOR_LUA_DEFINE_SLOT(name) decltype(&::name) name = nullptr;
QOR_LUA_ENTRY_POINTS(QOR_LUA_DEFINE_SLOT)
#undef QOR_LUA_DEFINE_SLOT

const char* const DefaultLuaLibFileName = "liblua5.1.so.0";

namespace {

constexpr int EntryPointCount = 0
#define QOR_LUA_COUNT_SLOT(name) +1
    QOR_LUA_ENTRY_POINTS(QOR_LUA_COUNT_SLOT);
#undef QOR_LUA_COUNT_SLOT
static_assert(EntryPointCount == 121, "the binding covers the whole Lua 5.1 API");

// The folders the dynamic loader searches besides LD_LIBRARY_PATH, multiarch first.
QStringList LoaderSystemFolders() {
  const QString arch = QStringLiteral(QOR_LIBRARY_ARCHITECTURE);
  QStringList folders;
  if (!arch.isEmpty()) folders << "/lib/" + arch << "/usr/lib/" + arch;
  folders << "/lib"
          << "/usr/lib";
  return folders;
}

// The program's folder: the application's when one exists, else the executable's.
QString ProgramFolder() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  return QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
}

// The folders a bare library name is looked for in, in search order.
QStringList LibrarySearchFolders() {
  QStringList folders{ProgramFolder()};
  folders << qEnvironmentVariable("LD_LIBRARY_PATH").split(':', Qt::SkipEmptyParts);
  folders << LoaderSystemFolders();
  return folders;
}

// The full path of the library file Name names, or an empty text when none exists.
// A name with a folder is taken as it is; a bare name is looked for in the folders.
QString FindLibraryFile(const QString& Name) {
  if (Name.contains('/')) return QFileInfo(Name).isFile() ? QFileInfo(Name).absoluteFilePath() : QString();
  for (const QString& folder : LibrarySearchFolders()) {
    const QFileInfo candidate(QDir(folder), Name);
    if (candidate.isFile()) return candidate.absoluteFilePath();
  }
  return QString();
}

QString& ModuleFileName() {
  static QString name = QString::fromUtf8(DefaultLuaLibFileName);
  return name;
}

std::unique_ptr<QLibrary>& LoadedLibrary() {
  static std::unique_ptr<QLibrary> library;
  return library;
}

void BindEntryPoints(QLibrary& Handle) {
#define QOR_LUA_BIND_SLOT(name) name = reinterpret_cast<decltype(name)>(GetLuaProc(Handle, #name, true));
  QOR_LUA_ENTRY_POINTS(QOR_LUA_BIND_SLOT)
#undef QOR_LUA_BIND_SLOT
}

}  // namespace

int LoadLuaLib(const QString& FileName) {
  ResetLuaBinding();
  if (!FileName.isEmpty()) ModuleFileName() = FileName;
  const QString path = FindLibraryFile(ModuleFileName());
  if (path.isEmpty()) return LuaLibHandleMissing;
  auto library = std::make_unique<QLibrary>(path);
  if (!library->load()) return LuaLibHandleRefused;
  LoadedLibrary() = std::move(library);
  try {
    BindEntryPoints(*LoadedLibrary());
  } catch (...) {
    ResetLuaBinding();
    throw;
  }
  return LuaLibHandleBound;
}

void ResetLuaBinding() {
#define QOR_LUA_UNBIND_SLOT(name) name = nullptr;
  QOR_LUA_ENTRY_POINTS(QOR_LUA_UNBIND_SLOT)
#undef QOR_LUA_UNBIND_SLOT
  if (!LoadedLibrary()) return;
  LoadedLibrary()->unload();
  LoadedLibrary().reset();
}

QFunctionPointer GetLuaProc(QLibrary& Handle, const char* Name, bool RaiseIfMissing) {
  const QFunctionPointer address = Handle.resolve(Name);
  if (!address && RaiseIfMissing)
    throw Exception(std::string("Cannot load method '") + Name + "' from dynamic library.");
  return address;
}

void SetLuaLibFileName(const QString& Name) { ModuleFileName() = Name; }

QString GetLuaLibFileName() { return ModuleFileName(); }

bool LuaLibLoaded() { return LoadedLibrary() != nullptr; }

}  // namespace LuaLib
