#pragma once
// What a script may reach beyond arithmetic. A task file travels by mail and its script
// runs on "Berechnen", so its environment is built from one list of what the mathematical
// language needs: nothing reads or runs a file, nothing writes to the program's output, no
// precompiled chunk is loaded (Lua 5.1 does not verify bytecode), and no script code runs
// where the time budget cannot stop it (finalizers, error handlers called from inside an
// error).

#include <lua.h>

#include <clocale>
#include <cstddef>
#include <span>

// The longest source text loadstring or load compile: as long as a script file may be.
inline constexpr std::size_t MaxChunkSize = std::size_t{16} << 20;

// What a script gets instead of a precompiled chunk or an overlong text (Lua's error value).
inline constexpr char MsgBinaryChunk[] = "Vorübersetzter Lua-Code wird nicht geladen.";
inline constexpr char MsgChunkTooLong[] = "Der Lua-Text ist zu lang (höchstens 16777216 Bytes).";

// One global of a script's environment.
struct TScriptGlobal {
  const char* Name;
  // The sandbox's own version; null: Lua's own, from the base or the math library.
  lua_CFunction Replacement;
};

// Every global a script sees, and nothing else.
std::span<const TScriptGlobal> ScriptGlobals();

// Lua's compiler runs no hook, and some texts take it time that grows with the square of
// their length (long chains of and/or). So it is handed source text in pieces of this
// size, and the host looks at its budget before each.
inline constexpr std::size_t CompilePiece = 512;

// What the host does while Lua compiles.
struct TCompileGuard {
  // Runs before the compiler reads each piece; a Lua error raised here ends the compile.
  void (*Check)(lua_State* L);
};

// Builds the globals of a fresh state from ScriptGlobals(): opens Lua's base and math
// libraries, keeps what the list names (with the sandbox's versions where it has them)
// and drops everything else. Every compile in the state, also those of loadstring and
// load, runs under Guard (none: null), which must outlive the state. Leaves the stack empty.
void OpenSandbox(lua_State* L, const TCompileGuard* Guard);

// luaL_loadbuffer for source text, under the state's compile guard: a text that begins
// like a precompiled chunk, or is longer than MaxChunkSize, is refused with LUA_ERRSYNTAX
// and its message on the stack.
int LoadSourceChunk(lua_State* L, const char* Text, std::size_t Size, const char* ChunkName);

// luaL_dostring through LoadSourceChunk: the first non-zero code, or 0.
int DoSourceString(lua_State* L, const char* Text);

// Lua converts numbers to text and back (tonumber, tostring, "0.5" + 0) and compares
// strings through the C library, which follows the locale the application set for the
// user: under German, tonumber("0.5") is nil, and glibc's German collation takes time
// quadratic in runs of digits. While a guard lives, its thread uses the C locale, so
// that no result of a script depends on the user's locale. Every call into Lua runs
// under one.
class TLuaLocaleGuard {
public:
  TLuaLocaleGuard();
  ~TLuaLocaleGuard();
  TLuaLocaleGuard(const TLuaLocaleGuard&) = delete;
  TLuaLocaleGuard& operator=(const TLuaLocaleGuard&) = delete;

private:
  locale_t FPrevious;  // null: the C locale could not be made, nothing changed
};
