# Builds the engine and the window's description into WebAssembly (the web edition) with
# Debian 12's clang 19, its wasi-libc and its libc++ for wasm32. Every program is a reactor: a
# module of exported functions, no main, started by its _initialize.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(SUMVANE_WASM ON)

set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# Debian's libc++ for WebAssembly is built without exception support: a throw goes to the
# module's own __cxa_throw (web/Failure.cpp), which hands the error to JavaScript.
set(CMAKE_CXX_FLAGS_INIT "-fignore-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-mexec-model=reactor")
# The compiler checks link a test program, which needs an entry point of its own.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
