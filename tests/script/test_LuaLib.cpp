#include "LuaLib.h"
#include "qorException.h"
#include "qorScriptLua.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>

namespace {

// The library as the dynamic loader finds it.
const QString SystemLuaLib = "/usr/lib/" QOR_TEST_LIBRARY_ARCHITECTURE "/liblua5.1.so.0";

// Every test starts and ends with no library loaded and the default file name, so
// that the binding's process-wide state does not leak between tests.
class LuaLibTest : public ::testing::Test {
protected:
  void SetUp() override { Restore(); }
  void TearDown() override { Restore(); }
  static void Restore() {
    LuaLib::ResetLuaBinding();
    LuaLib::SetLuaLibFileName(LuaLib::DefaultLuaLibFileName);
  }
};

// The message a script object raises when the library LuaLibFileName cannot be loaded.
std::string ConstructionError(const QString& LuaLibFileName) {
  try {
    TqorScriptLuaCommon script(LuaLibFileName);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

TEST_F(LuaLibTest, DefaultNameIsFoundInTheLoaderFolders) {
  EXPECT_EQ(LuaLib::GetLuaLibFileName(), "liblua5.1.so.0");
  EXPECT_EQ(LuaLib::LoadLuaLib(QString()), LuaLib::LuaLibHandleBound);
  EXPECT_TRUE(LuaLib::LuaLibLoaded());
  EXPECT_NE(LuaLib::lua_pcall, nullptr);
  EXPECT_NE(LuaLib::luaL_pushresult, nullptr) << "the last name of the list is bound too";
  LuaLib::ResetLuaBinding();
  EXPECT_FALSE(LuaLib::LuaLibLoaded());
  EXPECT_EQ(LuaLib::lua_newstate, nullptr);
  EXPECT_EQ(LuaLib::luaL_pushresult, nullptr);
}

TEST_F(LuaLibTest, LoadFailuresNameTheFileTried) {
  QTemporaryDir folder;
  const QString textFile = folder.filePath("notalibrary.so");
  QFile text(textFile);
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("This is plain text, not a shared object.\n");
  text.close();

  struct Case {
    QString name;
    int result;
    std::string message;
  } cases[] = {
      {"qor-no-such-lua.so", LuaLib::LuaLibHandleMissing,
       "LuaScript.LoadLibrary(): Bibliothek \"qor-no-such-lua.so\" existiert nicht."},
      {folder.filePath("missing.so"), LuaLib::LuaLibHandleMissing,
       "LuaScript.LoadLibrary(): Bibliothek \"" + folder.filePath("missing.so").toStdString() + "\" existiert nicht."},
      {textFile, LuaLib::LuaLibHandleRefused,
       "LuaScript.LoadLibrary(): Bibliothek \"" + textFile.toStdString() + "\" konnte nicht geladen werden."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    EXPECT_EQ(LuaLib::LoadLuaLib(c.name), c.result);
    EXPECT_FALSE(LuaLib::LuaLibLoaded());
    EXPECT_EQ(ConstructionError(c.name), c.message);
    EXPECT_EQ(LuaLib::GetLuaLibFileName(), c.name) << "a given name becomes the module's";
  }
  LuaLib::SetLuaLibFileName("qor-no-such-lua.so");
  EXPECT_EQ(ConstructionError(QString()), cases[0].message) << "an object without a name uses the module's";
}

TEST_F(LuaLibTest, LibraryWithoutTheEntryPointsIsRefusedEveryTime) {
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(testing::Message() << "attempt " << attempt);
    EXPECT_EQ(ConstructionError("libz.so.1"), "Cannot load method 'lua_newstate' from dynamic library.");
    EXPECT_FALSE(LuaLib::LuaLibLoaded());
    EXPECT_EQ(LuaLib::lua_newstate, nullptr);
  }
}

TEST_F(LuaLibTest, GetLuaProcRaisesOnlyWhenAsked) {
  QLibrary lua(SystemLuaLib);
  ASSERT_TRUE(lua.load());
  EXPECT_NE(LuaLib::GetLuaProc(lua, "lua_close", true), nullptr);
  EXPECT_EQ(LuaLib::GetLuaProc(lua, "lua_nonexistent", false), nullptr);
  try {
    LuaLib::GetLuaProc(lua, "lua_nonexistent", true);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot load method 'lua_nonexistent' from dynamic library.");
  }
}

// Puts a copy of the Lua library under a name of its own into folder; removes it at the end.
class TLibraryCopy {
public:
  TLibraryCopy(const QString& folder)
      : FName(QString("libqor-lua-copy-%1.so").arg(QCoreApplication::applicationPid())),
        FPath(QDir(folder).filePath(FName)) {
    QFile::remove(FPath);
    copied = QFile::copy(SystemLuaLib, FPath);
  }
  ~TLibraryCopy() {
    LuaLib::ResetLuaBinding();
    QFile::remove(FPath);
  }
  const QString& name() const { return FName; }
  bool copied = false;

private:
  QString FName, FPath;
};

TEST_F(LuaLibTest, BareNameIsLookedForInTheProgramFolderAndLdLibraryPath) {
  const QString programFolder = QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
  {
    TLibraryCopy copy(programFolder);
    ASSERT_TRUE(copy.copied);
    EXPECT_EQ(LuaLib::LoadLuaLib(copy.name()), LuaLib::LuaLibHandleBound);
  }
  QTemporaryDir folder;
  const QByteArray saved = qgetenv("LD_LIBRARY_PATH");
  qputenv("LD_LIBRARY_PATH", "/nonexistent:" + folder.path().toLocal8Bit());
  {
    TLibraryCopy copy(folder.path());
    ASSERT_TRUE(copy.copied);
    EXPECT_EQ(LuaLib::LoadLuaLib(copy.name()), LuaLib::LuaLibHandleBound);
  }
  if (saved.isNull())
    qunsetenv("LD_LIBRARY_PATH");
  else
    qputenv("LD_LIBRARY_PATH", saved);
}

TEST_F(LuaLibTest, OnlyTheFirstObjectLoadsTheLibrary) {
  TqorScriptLuaCommon first;
  TqorScriptLuaCommon second("qor-no-such-lua.so");
  EXPECT_EQ(first.luaLibHandle(), LuaLib::LuaLibHandleBound);
  EXPECT_EQ(second.luaLibHandle(), 0) << "a loaded library is reused whatever name the object has";
  EXPECT_EQ(LuaLib::GetLuaLibFileName(), "liblua5.1.so.0");
}

}  // namespace
