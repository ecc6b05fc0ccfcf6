#pragma once
// What a script may reach beyond arithmetic. A task file travels by mail and its script
// runs on "Berechnen", so the base library is cut down to the mathematical language:
// nothing reads or runs a file, nothing writes to the program's output, no precompiled
// chunk is loaded (Lua 5.1 does not verify bytecode), and no script code runs where the
// time budget cannot stop it (finalizers, error handlers called from inside an error).

#include <lua.h>

#include <cstddef>

// The longest source text loadstring or load compile: as long as a script file may be.
// Compiling runs no hooks, so its length bounds the time one compile takes.
inline constexpr std::size_t MaxChunkSize = std::size_t{16} << 20;

// What a script gets instead of a precompiled chunk or an overlong text (Lua's error value).
inline constexpr char MsgBinaryChunk[] = "Vorübersetzter Lua-Code wird nicht geladen.";
inline constexpr char MsgChunkTooLong[] = "Der Lua-Text ist zu lang (höchstens 16777216 Bytes).";

// Changes the globals of a state with the base library opened:
// - dofile, loadfile and newproxy are removed (files; the only source of finalizers),
// - print does nothing,
// - loadstring and load compile source text only (and at most MaxChunkSize bytes),
// - xpcall calls its handler after the failed call has returned, as an ordinary call.
void RestrictBaseLibrary(lua_State* L);

// luaL_loadbuffer for source text: a text that begins like a precompiled chunk, or is
// longer than MaxChunkSize, is refused with LUA_ERRSYNTAX and its message on the stack.
int LoadSourceChunk(lua_State* L, const char* Text, std::size_t Size, const char* ChunkName);

// luaL_dostring through LoadSourceChunk: the first non-zero code, or 0.
int DoSourceString(lua_State* L, const char* Text);
