#pragma once
// The Lua 5.1 C API, loaded at run time from a dynamic library and bound by name.
// The program never links Lua: the Lua headers lend their types and constants only,
// and every call goes through the entry points bound here (LuaLib::lua_pcall(...)).
// The binding is process-wide: the first script object loads the library, every
// later one reuses it. Not thread-safe; the program runs Lua on one thread.

#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>

#include <QString>
#include <QtGlobal>

// These four are offered as functions below; the headers' macros would call the
// unbound global names.
#undef lua_pop
#undef lua_getglobal
#undef lua_tostring
#undef luaL_dostring

class QLibrary;

// Every bound entry point, in the order in which it is resolved (laid out by hand: the
// formatter does not settle on one layout for the continued lines).
// clang-format off
#define QOR_LUA_ENTRY_POINTS(X)                                                          \
  X(lua_newstate) X(lua_close) X(lua_newthread) X(lua_atpanic) X(lua_gettop)             \
  X(lua_settop) X(lua_pushvalue) X(lua_remove) X(lua_insert) X(lua_replace)              \
  X(lua_checkstack) X(lua_xmove) X(lua_isnumber) X(lua_isstring) X(lua_iscfunction)      \
  X(lua_isuserdata) X(lua_type) X(lua_typename) X(lua_equal) X(lua_rawequal)             \
  X(lua_lessthan) X(lua_tonumber) X(lua_tointeger) X(lua_toboolean) X(lua_tolstring)     \
  X(lua_objlen) X(lua_tocfunction) X(lua_touserdata) X(lua_tothread) X(lua_topointer)    \
  X(lua_pushnil) X(lua_pushnumber) X(lua_pushinteger) X(lua_pushlstring)                 \
  X(lua_pushstring) X(lua_pushvfstring) X(lua_pushfstring) X(lua_pushcclosure)           \
  X(lua_pushboolean) X(lua_pushlightuserdata) X(lua_pushthread) X(lua_gettable)          \
  X(lua_getfield) X(lua_rawget) X(lua_rawgeti) X(lua_createtable) X(lua_newuserdata)     \
  X(lua_getmetatable) X(lua_getfenv) X(lua_settable) X(lua_setfield) X(lua_rawset)       \
  X(lua_rawseti) X(lua_setmetatable) X(lua_setfenv) X(lua_call) X(lua_pcall)             \
  X(lua_cpcall) X(lua_load) X(lua_dump) X(lua_yield) X(lua_resume) X(lua_status)         \
  X(lua_gc) X(lua_error) X(lua_next) X(lua_concat) X(lua_getallocf) X(lua_setallocf)     \
  X(lua_getstack) X(lua_getinfo) X(lua_getlocal) X(lua_setlocal) X(lua_getupvalue)       \
  X(lua_setupvalue) X(lua_sethook) X(lua_gethook) X(lua_gethookmask)                     \
  X(lua_gethookcount) X(luaopen_base) X(luaopen_table) X(luaopen_io) X(luaopen_os)       \
  X(luaopen_string) X(luaopen_math) X(luaopen_debug) X(luaopen_package)                  \
  X(luaL_openlibs) X(luaL_register) X(luaL_getmetafield) X(luaL_callmeta)                \
  X(luaL_typerror) X(luaL_argerror) X(luaL_checklstring) X(luaL_optlstring)              \
  X(luaL_checknumber) X(luaL_optnumber) X(luaL_checkinteger) X(luaL_optinteger)          \
  X(luaL_checkstack) X(luaL_checktype) X(luaL_checkany) X(luaL_newmetatable)             \
  X(luaL_checkudata) X(luaL_where) X(luaL_error) X(luaL_checkoption) X(luaL_ref)         \
  X(luaL_unref) X(luaL_loadfile) X(luaL_loadbuffer) X(luaL_loadstring) X(luaL_newstate)  \
  X(luaL_gsub) X(luaL_findtable) X(luaL_buffinit) X(luaL_prepbuffer) X(luaL_addlstring)  \
  X(luaL_addstring) X(luaL_addvalue) X(luaL_pushresult)
// clang-format on

namespace LuaLib {

// One slot per entry point, typed like the header's declaration; null while unbound.
#define QOR_LUA_DECLARE_SLOT(name) extern decltype(&::name) name;
QOR_LUA_ENTRY_POINTS(QOR_LUA_DECLARE_SLOT)
#undef QOR_LUA_DECLARE_SLOT

// The library file name used while none has been set.
extern const char* const DefaultLuaLibFileName;  // "liblua5.1.so.0"

// Results of LoadLuaLib.
constexpr int LuaLibHandleBound = 1;     // library loaded and every entry point bound
constexpr int LuaLibHandleMissing = -1;  // no file of that name was found
constexpr int LuaLibHandleRefused = -2;  // the file exists but the loader refused it

// Loads the library (FileName, or the module's file name when FileName is empty; a
// non-empty FileName becomes the module's file name) and binds every entry point.
// A name without a folder is looked for in the program's folder, then in the
// dynamic loader's folders. Raises "Cannot load method '<name>' from dynamic
// library." for the first missing entry point, after resetting the binding.
int LoadLuaLib(const QString& FileName);

// Unbinds every entry point and releases the library if one is loaded.
void ResetLuaBinding();

// Resolves one entry point of Handle; null when missing, unless RaiseIfMissing.
QFunctionPointer GetLuaProc(QLibrary& Handle, const char* Name, bool RaiseIfMissing);

// The module's library file name (DefaultLuaLibFileName until one is set).
void SetLuaLibFileName(const QString& Name);
QString GetLuaLibFileName();

// True while a library is loaded and bound.
bool LuaLibLoaded();

// The Lua 5.1 convenience macros as functions over the bound entry points.
inline void lua_pop(lua_State* L, int n) { lua_settop(L, -n - 1); }
inline void lua_getglobal(lua_State* L, const char* s) { lua_getfield(L, LUA_GLOBALSINDEX, s); }
inline const char* lua_tostring(lua_State* L, int i) { return lua_tolstring(L, i, nullptr); }
// luaL_loadstring, then on success a protected call with every result kept; the first
// non-zero code, or 0.
inline int luaL_dostring(lua_State* L, const char* s) {
  const int code = luaL_loadstring(L, s);
  return code != 0 ? code : lua_pcall(L, 0, LUA_MULTRET, 0);
}

}  // namespace LuaLib
