// The safe set of the standard libraries, and the one way script files
// become chunks.
//
// The functions here are called by the interpreter, which reports errors
// by longjmp: none holds an object with a destructor while it can raise.
#include "script/lua_sandbox.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <lua.hpp>

namespace script::lua {

namespace {

constexpr char kByteCodeMark = LUA_SIGNATURE[0];
constexpr const char* kByteCodeRefused = "precompiled chunks are not accepted";

// ---- Chunks from files ----

struct FileReader {
    std::FILE* file = nullptr;
    bool lineEnd = false;  // the '\n' of a skipped first line, still to give
    char block[8192];
};

const char* read_file_block(lua_State*, void* data, size_t* size) {
    FileReader& r = *static_cast<FileReader*>(data);
    if (r.lineEnd) {
        r.lineEnd = false;
        *size = 1;
        return "\n";
    }
    *size = std::fread(r.block, 1, sizeof r.block, r.file);
    return *size > 0 ? r.block : nullptr;
}

// Skips a first line starting with '#' and tells whether what follows is
// byte code; the file is left at the chunk's first byte.
bool starts_with_byte_code(FileReader& r) {
    int c = std::getc(r.file);
    if (c == '#') {
        while ((c = std::getc(r.file)) != EOF && c != '\n') {
        }
        r.lineEnd = c == '\n';
        c = std::getc(r.file);
    }
    if (c == kByteCodeMark) return true;
    if (c != EOF) std::ungetc(c, r.file);
    return false;
}

// ---- Chunks from text and reader functions ----

int refuse(lua_State* L, const char* why) {
    lua_pushnil(L);
    lua_pushstring(L, why);
    return 2;
}

// Result of a load: the function, or nil and the message.
int load_result(lua_State* L, int status) {
    if (status == 0) return 1;
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

// loadstring(text [, chunkname]) for text only.
int load_text(lua_State* L) noexcept {
    size_t length = 0;
    const char* text = luaL_checklstring(L, 1, &length);
    const char* name = luaL_optstring(L, 2, text);
    if (length > 0 && text[0] == kByteCodeMark) return refuse(L, kByteCodeRefused);
    return load_result(L, luaL_loadbuffer(L, text, length, name));
}

// The pieces a script's reader function gives, the first one checked.
struct PieceReader {
    bool first = true;
};

const char* read_piece(lua_State* L, void* data, size_t* size) {
    PieceReader& r = *static_cast<PieceReader*>(data);
    luaL_checkstack(L, 2, "too many nested functions");
    lua_pushvalue(L, 1);
    lua_call(L, 0, 1);
    if (lua_isnil(L, -1)) {
        *size = 0;
        return nullptr;
    }
    if (!lua_isstring(L, -1)) luaL_error(L, "reader function must return a string");
    lua_replace(L, 3);  // kept in its slot while the parser reads it
    const char* piece = lua_tolstring(L, 3, size);
    if (r.first && *size > 0) {
        r.first = false;
        if (piece[0] == kByteCodeMark) luaL_error(L, kByteCodeRefused);
    }
    return piece;
}

// load(reader [, chunkname]) for text only.
int load_pieces(lua_State* L) noexcept {
    luaL_checktype(L, 1, LUA_TFUNCTION);
    const char* name = luaL_optstring(L, 2, "=(load)");
    lua_settop(L, 3);
    PieceReader reader;
    return load_result(L, lua_load(L, read_piece, &reader, name));
}

// loadfile(path): a file, never standard input.
int load_file(lua_State* L) noexcept {
    const char* path = luaL_optstring(L, 1, nullptr);
    if (path == nullptr) return refuse(L, "scripts may not load chunks from standard input");
    return load_result(L, load_chunk_file(L, path));
}

// dofile(path): loaded as by loadfile, then run with its results returned.
int do_file(lua_State* L) noexcept {
    const char* path = luaL_optstring(L, 1, nullptr);
    if (path == nullptr) return luaL_error(L, "scripts may not run chunks from standard input");
    const int base = lua_gettop(L);
    if (load_chunk_file(L, path) != 0) return lua_error(L);
    lua_call(L, 0, LUA_MULTRET);
    return lua_gettop(L) - base;
}

// require's searcher of Lua files along package.path (the package table is
// the upvalue), loading text chunks only.
int search_lua_files(lua_State* L) noexcept {
    const char* name = luaL_gsub(L, luaL_checkstring(L, 1), ".", LUA_DIRSEP);
    lua_getfield(L, lua_upvalueindex(1), "path");
    const char* templates = lua_tostring(L, -1);
    if (templates == nullptr) return luaL_error(L, "package.path must be a string");
    lua_pushliteral(L, "");  // what was tried, for the message
    for (const char* t = templates; *t != '\0';) {
        const char* end = std::strchr(t, *LUA_PATHSEP);
        const size_t length = end != nullptr ? size_t(end - t) : std::strlen(t);
        if (length > 0) {
            lua_pushlstring(L, t, length);
            const char* file = luaL_gsub(L, lua_tostring(L, -1), LUA_PATH_MARK, name);
            lua_remove(L, -2);
            if (std::FILE* f = std::fopen(file, "r")) {
                std::fclose(f);
                if (load_chunk_file(L, file) != 0)
                    return luaL_error(L, "error loading module '%s' from file '%s':\n\t%s", lua_tostring(L, 1), file,
                                      lua_tostring(L, -1));
                return 1;
            }
            lua_pushfstring(L, "\n\tno file '%s'", file);
            lua_remove(L, -2);
            lua_concat(L, 2);
        }
        t += length;
        if (*t != '\0') ++t;
    }
    return 1;
}

// ---- Files for reading only ----

// io.open(path [, mode]) with mode "r" or "rb"; the library's own io.open
// is the upvalue.
int open_for_reading(lua_State* L) noexcept {
    const char* path = luaL_checkstring(L, 1);
    const char* mode = luaL_optstring(L, 2, "r");
    if (std::strcmp(mode, "r") != 0 && std::strcmp(mode, "rb") != 0) {
        lua_pushnil(L);
        lua_pushfstring(L, "%s: scripts may open files for reading only", path);
        return 2;
    }
    lua_settop(L, 2);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, 2, LUA_MULTRET);
    return lua_gettop(L);
}

// io.output([file]) without a file name, which would open it for writing;
// the library's own io.output is the upvalue.
int output_to_open_files(lua_State* L) noexcept {
    if (lua_type(L, 1) == LUA_TSTRING) return luaL_error(L, "scripts may not open files for writing");
    const int arguments = lua_gettop(L);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, arguments, LUA_MULTRET);
    return lua_gettop(L);
}

// ---- Assembling the safe set ----

void remove_fields(lua_State* L, const char* table, std::initializer_list<const char*> names) {
    lua_getglobal(L, table);
    for (const char* name : names) {
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_pop(L, 1);
}

// Keeps only `kept` in a library table, in place: the table is the one
// require also hands out.
void keep_fields(lua_State* L, const char* table, std::initializer_list<const char*> kept) {
    lua_getglobal(L, table);
    lua_newtable(L);
    for (const char* name : kept) {
        lua_getfield(L, -2, name);
        lua_setfield(L, -2, name);
    }
    lua_pushnil(L);
    while (lua_next(L, -3) != 0) {  // clear the library table
        lua_pop(L, 1);
        lua_pushvalue(L, -1);
        lua_pushnil(L);
        lua_settable(L, -5);
    }
    lua_pushnil(L);
    while (lua_next(L, -2) != 0) {  // and put back what is kept
        lua_pushvalue(L, -2);
        lua_insert(L, -2);
        lua_settable(L, -5);
    }
    lua_pop(L, 2);
}

// Replaces table.name by a closure over the library's own function.
void wrap_field(lua_State* L, const char* table, const char* name, lua_CFunction wrapper) {
    lua_getglobal(L, table);
    lua_getfield(L, -1, name);
    lua_pushcclosure(L, wrapper, 1);
    lua_setfield(L, -2, name);
    lua_pop(L, 1);
}

void set_global(lua_State* L, const char* name, lua_CFunction f) {
    lua_pushcfunction(L, f);
    lua_setglobal(L, name);
}

// require finds Lua files only, through a searcher that refuses byte code.
void restrict_require(lua_State* L) {
    lua_getglobal(L, "package");
    lua_pushnil(L);
    lua_setfield(L, -2, "loadlib");
    lua_pushliteral(L, "");
    lua_setfield(L, -2, "cpath");
    lua_getfield(L, -1, "loaders");
    lua_createtable(L, 2, 0);
    lua_rawgeti(L, -2, 1);  // modules registered in package.preload
    lua_rawseti(L, -2, 1);
    lua_pushvalue(L, -3);
    lua_pushcclosure(L, search_lua_files, 1);
    lua_rawseti(L, -2, 2);
    lua_setfield(L, -3, "loaders");
    lua_pop(L, 2);
}

void open_safe_libraries(lua_State* L) {
    luaL_openlibs(L);
    // Programs, files changed or removed, the process's end and locale.
    remove_fields(L, "os", {"execute", "remove", "rename", "exit", "tmpname", "setlocale"});
    remove_fields(L, "io", {"popen"});
    wrap_field(L, "io", "open", open_for_reading);
    wrap_field(L, "io", "output", output_to_open_files);
    // The rest of the debug library could remove the run's watch, or hand a
    // binding another binding's data.
    keep_fields(L, "debug", {"traceback", "getinfo"});
    // Finalisers run with the run's watch off: no script may install one,
    // neither on a proxy nor on the file handles' shared metatable.
    lua_pushnil(L);
    lua_setglobal(L, "newproxy");
    luaL_getmetatable(L, LUA_FILEHANDLE);
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_pop(L, 1);
    set_global(L, "loadstring", load_text);
    set_global(L, "load", load_pieces);
    set_global(L, "loadfile", load_file);
    set_global(L, "dofile", do_file);
    restrict_require(L);
}

}  // namespace

bool trusted_by_environment() {
    const char* value = std::getenv("PAINTCORE_LUA_TRUSTED");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void open_libraries(lua_State* L, bool trusted) {
    if (trusted)
        luaL_openlibs(L);
    else
        open_safe_libraries(L);
}

int load_chunk_file(lua_State* L, const char* path) {
    FileReader reader;
    reader.file = std::fopen(path, "rb");
    if (reader.file == nullptr) {
        const int error = errno;
        lua_pushfstring(L, "cannot open %s: %s", path, std::strerror(error));
        return LUA_ERRFILE;
    }
    const bool byteCode = starts_with_byte_code(reader);
    int status = byteCode ? LUA_ERRFILE : 0;
    if (!byteCode) {
        char name[512];
        std::snprintf(name, sizeof name, "@%s", path);
        status = lua_load(L, read_file_block, &reader, name);
        // A read that failed ends the chunk early: its text is not the file's.
        if (std::ferror(reader.file) != 0) {
            lua_pop(L, 1);
            status = LUA_ERRFILE;
        }
    }
    std::fclose(reader.file);
    if (byteCode)
        lua_pushfstring(L, "cannot load %s: %s", path, kByteCodeRefused);
    else if (status == LUA_ERRFILE)
        lua_pushfstring(L, "cannot read %s", path);
    return status;
}

}  // namespace script::lua
