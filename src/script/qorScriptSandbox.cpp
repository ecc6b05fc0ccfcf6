#include "qorScriptSandbox.h"

#include "LuaLib.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// Lua's own text for a handler that fails.
constexpr const char* ErrorInHandlerText = "error in error handling";

bool LooksPrecompiled(const char* Text, std::size_t Size) { return Size > 0 && Text[0] == LUA_SIGNATURE[0]; }

// Pushes Message and returns LUA_ERRSYNTAX, as a compile that failed would.
int RefuseChunk(lua_State* L, const char* Message) {
  LuaLib::lua_pushstring(L, Message);
  return LUA_ERRSYNTAX;
}

// What load and loadstring return: the function, or nil and the message.
int LoadResult(lua_State* L, int Code) {
  if (Code == 0) return 1;
  LuaLib::lua_pushnil(L);
  LuaLib::lua_insert(L, -2);
  return 2;
}

int Nothing(lua_State*) { return 0; }

// loadstring(s [, chunkname]) for source text only.
int LoadString(lua_State* L) {
  std::size_t size = 0;
  const char* text = LuaLib::luaL_checklstring(L, 1, &size);
  const char* name = LuaLib::luaL_optlstring(L, 2, text, nullptr);
  return LoadResult(L, LoadSourceChunk(L, text, size, name));
}

// Where the host's compile guard is kept, in the registry.
char GuardKey;

const TCompileGuard* GuardOf(lua_State* L) {
  LuaLib::lua_pushlightuserdata(L, &GuardKey);
  LuaLib::lua_rawget(L, LUA_REGISTRYINDEX);
  const auto* guard = static_cast<const TCompileGuard*>(LuaLib::lua_touserdata(L, -1));
  LuaLib::lua_pop(L, 1);
  return guard;
}

// A text handed to the compiler a piece at a time, with the guard's check before each.
struct TPieces {
  const TCompileGuard* Guard;
  const char* Next = nullptr;
  std::size_t Left = 0;
};

const char* NextPiece(lua_State* L, TPieces& Pieces, std::size_t* Size) {
  if (Pieces.Guard) Pieces.Guard->Check(L);
  *Size = std::min(Pieces.Left, CompilePiece);
  const char* piece = Pieces.Next;
  Pieces.Next += *Size;
  Pieces.Left -= *Size;
  return *Size != 0 ? piece : nullptr;
}

const char* ReadText(lua_State* L, void* Data, std::size_t* Size) {
  return NextPiece(L, *static_cast<TPieces*>(Data), Size);
}

// The state of a load(f) while it reads: the pieces so far, and the rest of the last.
struct TPieceReader {
  std::size_t Total = 0;
  TPieces Rest;
};

// Fails the running load with Message, as Lua's own reader does.
[[noreturn]] void FailToRead(lua_State* L, const char* Message) {
  LuaLib::lua_pushstring(L, Message);
  LuaLib::lua_error(L);
  std::abort();  // lua_error does not return
}

// Calls f for its next piece into Rest; false at the end.
bool FetchPiece(lua_State* L, TPieceReader& Reader) {
  LuaLib::luaL_checkstack(L, 2, "too many nested functions");
  LuaLib::lua_pushvalue(L, 1);
  LuaLib::lua_call(L, 0, 1);
  if (LuaLib::lua_type(L, -1) == LUA_TNIL) return false;
  if (!LuaLib::lua_isstring(L, -1)) FailToRead(L, "reader function must return a string");
  LuaLib::lua_replace(L, 3);  // keeps the piece alive while the parser reads it
  std::size_t size = 0;
  const char* piece = LuaLib::lua_tolstring(L, 3, &size);
  if (Reader.Total == 0 && LooksPrecompiled(piece, size)) FailToRead(L, MsgBinaryChunk);
  Reader.Total += size;
  if (Reader.Total > MaxChunkSize) FailToRead(L, MsgChunkTooLong);
  Reader.Rest.Next = piece;
  Reader.Rest.Left = size;
  return true;
}

// Lua's reader for load(f), which also refuses a precompiled first piece and an
// overlong text, and hands a long piece on in parts. Raising here fails the load, not
// the caller, as in Lua's own reader.
const char* ReadPiece(lua_State* L, void* Data, std::size_t* Size) {
  auto& reader = *static_cast<TPieceReader*>(Data);
  if (reader.Rest.Left == 0 && !FetchPiece(L, reader)) {
    *Size = 0;
    return nullptr;
  }
  return NextPiece(L, reader.Rest, Size);
}

// load(f [, chunkname]) for source text only.
int Load(lua_State* L) {
  LuaLib::luaL_checktype(L, 1, LUA_TFUNCTION);
  const char* name = LuaLib::luaL_optlstring(L, 2, "=(load)", nullptr);
  LuaLib::lua_settop(L, 3);  // slot 3 holds the piece being read
  TPieceReader reader{0, TPieces{GuardOf(L)}};
  return LoadResult(L, LuaLib::lua_load(L, ReadPiece, &reader, name));
}

// xpcall(f, handler). Lua calls the handler from inside the error, where no hook runs,
// so a handler that loops would outlast the time budget. Here the handler gets the same
// error value once the failed call has returned, under the budget like any call.
// Lua calls no handler on a memory error; neither does this.
int GuardedXpcall(lua_State* L) {
  LuaLib::luaL_checkany(L, 2);
  LuaLib::lua_settop(L, 2);
  LuaLib::lua_insert(L, 1);  // handler, f
  const int code = LuaLib::lua_pcall(L, 0, LUA_MULTRET, 0);
  if (code == LUA_ERRRUN) {
    LuaLib::lua_pushvalue(L, 1);
    LuaLib::lua_insert(L, 2);  // handler, handler, error value
    if (LuaLib::lua_pcall(L, 1, 1, 0) != 0) {
      LuaLib::lua_pop(L, 1);
      LuaLib::lua_pushstring(L, ErrorInHandlerText);
    }
  }
  LuaLib::lua_pushboolean(L, code == 0);
  LuaLib::lua_replace(L, 1);
  return LuaLib::lua_gettop(L);
}

// The number a count or index argument holds, in Lua's integer type (Lua's own functions
// cut it to int, which turns a huge count into a small or negative one).
lua_Integer IntegerArgument(lua_State* L, int Index, lua_Integer Default) {
  return LuaLib::lua_type(L, Index) <= LUA_TNIL ? Default : LuaLib::luaL_checkinteger(L, Index);
}

// Pushes t[Key] of the table at index 1 without metamethods.
void PushRawItem(lua_State* L, lua_Integer Key) {
  if (Key >= INT_MIN && Key <= INT_MAX) return LuaLib::lua_rawgeti(L, 1, static_cast<int>(Key));
  LuaLib::lua_pushnumber(L, static_cast<lua_Number>(Key));
  LuaLib::lua_rawget(L, 1);
}

// unpack(t [, i [, j]]). Lua 5.1 counts the results in an int that overflows, and then
// writes past its stack; here a range that does not fit on the stack fails as in Lua 5.2.
int Unpack(lua_State* L) {
  LuaLib::luaL_checktype(L, 1, LUA_TTABLE);
  const lua_Integer first = IntegerArgument(L, 2, 1);
  const lua_Integer last = IntegerArgument(L, 3, static_cast<lua_Integer>(LuaLib::lua_objlen(L, 1)));
  if (first > last) return 0;
  const auto more = static_cast<unsigned long long>(last) - static_cast<unsigned long long>(first);
  if (more >= INT_MAX || !LuaLib::lua_checkstack(L, static_cast<int>(more) + 1))
    return LuaLib::luaL_error(L, "too many results to unpack");
  for (lua_Integer key = first; key != last; ++key) PushRawItem(L, key);
  PushRawItem(L, last);
  return static_cast<int>(more) + 1;
}

// select(n, ...) and select('#', ...), with n counted without cutting it to int.
int Select(lua_State* L) {
  const int top = LuaLib::lua_gettop(L);
  if (LuaLib::lua_type(L, 1) == LUA_TSTRING && *LuaLib::lua_tostring(L, 1) == '#') {
    LuaLib::lua_pushinteger(L, top - 1);
    return 1;
  }
  lua_Integer n = LuaLib::luaL_checkinteger(L, 1);
  if (n < 0)
    n += top;
  else if (n > top)
    n = top;
  if (n < 1) return LuaLib::luaL_argerror(L, 1, "index out of range");
  return static_cast<int>(top - n);
}

// Every entry replaces or keeps one of Lua's own globals; a name Lua does not define is
// nil. Left out: dofile and loadfile (files), newproxy (the only way to a userdata and so
// to a finalizer, which Lua runs without hooks in collectgarbage() and in lua_close).
constexpr TScriptGlobal Globals[] = {
    {"_G", nullptr},  // the globals themselves, which a script has anyway
    {"_VERSION", nullptr},
    {"assert", nullptr},
    // Collecting runs no script code: tables' __gc does nothing in Lua 5.1, and no
    // userdata can be made. A stopped collector leaves the memory cap to end a runaway.
    {"collectgarbage", nullptr},
    // The host wraps resume and wrap, so that the watchdog can stop the running coroutine.
    {"coroutine", nullptr},
    // Any value: the host reads an error's text without calling its metamethods.
    {"error", nullptr},
    {"gcinfo", nullptr},  // the state's size in KB, as collectgarbage('count')
    // Every function of a script shares one environment, these globals: getfenv shows
    // nothing else, setfenv can only confine the script's own functions.
    {"getfenv", nullptr},
    {"getmetatable", nullptr},
    {"ipairs", nullptr},
    // Source text only, compiled under the budget (LoadSourceChunk).
    {"load", Load},
    {"loadstring", LoadString},
    {"math", nullptr},
    {"next", nullptr},
    {"pairs", nullptr},
    // Catches the budget's error only once: after it, every instruction fails.
    {"pcall", nullptr},
    // A forgotten debugging print keeps working, but writes nothing: in kaloroots it would
    // forge rows of the output.
    {"print", Nothing},
    // Bypass only metatables the script has set itself.
    {"rawequal", nullptr},
    {"rawget", nullptr},
    {"rawset", nullptr},
    {"select", Select},  // an index beyond int is taken as it is, not cut
    {"setfenv", nullptr},
    // Metamethods run as Lua code under the budget; __gc of a table does nothing in 5.1.
    {"setmetatable", nullptr},
    // Numbers read and written with a point whatever the user's locale (TLuaLocaleGuard).
    {"tonumber", nullptr},
    {"tostring", nullptr},
    {"type", nullptr},
    {"unpack", Unpack},         // a range that does not fit on the stack fails
    {"xpcall", GuardedXpcall},  // the handler runs after the failed call, under the budget
};

// The kept globals of the opened libraries, with the replacements, into a new table.
void CollectAllowed(lua_State* L) {
  LuaLib::lua_createtable(L, 0, std::size(Globals));
  for (const TScriptGlobal& global : Globals) {
    if (global.Replacement)
      LuaLib::lua_pushcclosure(L, global.Replacement, 0);
    else
      LuaLib::lua_getfield(L, LUA_GLOBALSINDEX, global.Name);
    LuaLib::lua_setfield(L, -2, global.Name);
  }
}

// Clears the globals table and fills it from the table on top, which it pops. The table
// itself stays: Lua's functions hold it as their environment.
void ReplaceGlobals(lua_State* L) {
  LuaLib::lua_pushnil(L);
  while (LuaLib::lua_next(L, LUA_GLOBALSINDEX) != 0) {
    LuaLib::lua_pop(L, 1);
    LuaLib::lua_pushvalue(L, -1);
    LuaLib::lua_pushnil(L);
    LuaLib::lua_rawset(L, LUA_GLOBALSINDEX);
  }
  LuaLib::lua_pushnil(L);
  while (LuaLib::lua_next(L, -2) != 0) {
    LuaLib::lua_pushvalue(L, -2);
    LuaLib::lua_insert(L, -2);
    LuaLib::lua_rawset(L, LUA_GLOBALSINDEX);
  }
  LuaLib::lua_pop(L, 1);
}

}  // namespace

std::span<const TScriptGlobal> ScriptGlobals() { return Globals; }

void OpenSandbox(lua_State* L, const TCompileGuard* Guard) {
  LuaLib::lua_pushlightuserdata(L, &GuardKey);
  LuaLib::lua_pushlightuserdata(L, const_cast<TCompileGuard*>(Guard));
  LuaLib::lua_rawset(L, LUA_REGISTRYINDEX);
  LuaLib::luaopen_base(L);
  LuaLib::luaopen_math(L);
  LuaLib::lua_settop(L, 0);
  CollectAllowed(L);
  ReplaceGlobals(L);
}

int LoadSourceChunk(lua_State* L, const char* Text, std::size_t Size, const char* ChunkName) {
  if (LooksPrecompiled(Text, Size)) return RefuseChunk(L, MsgBinaryChunk);
  if (Size > MaxChunkSize) return RefuseChunk(L, MsgChunkTooLong);
  TPieces pieces{GuardOf(L), Text, Size};
  return LuaLib::lua_load(L, ReadText, &pieces, ChunkName);
}

int DoSourceString(lua_State* L, const char* Text) {
  const int code = LoadSourceChunk(L, Text, std::strlen(Text), Text);
  return code != 0 ? code : LuaLib::lua_pcall(L, 0, LUA_MULTRET, 0);
}

namespace {
// The C locale as a locale object, made once and kept for the process's life.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}
}  // namespace

TLuaLocaleGuard::TLuaLocaleGuard() : FPrevious(CLocale() ? uselocale(CLocale()) : locale_t{}) {}

TLuaLocaleGuard::~TLuaLocaleGuard() {
  if (FPrevious) uselocale(FPrevious);
}
