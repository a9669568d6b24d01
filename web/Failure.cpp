// How a failure of the engine reaches JavaScript. Debian's C++ runtime for WebAssembly has no
// exception support, so the module is built to ignore exceptions: nothing catches, and a throw
// arrives here. The error's message goes to JavaScript, whose import throws a JavaScript error
// out of the call; the module is left mid-call and is not used again (the loader starts a new
// instance), so no state of the abandoned call can leak into the next answer.

#include <cstdlib>
#include <cstring>
#include <exception>

extern "C" __attribute__((import_module("sumvane"), import_name("fail"))) [[noreturn]] void
JsFail(const char* message, std::size_t size);

extern "C" void* __cxa_allocate_exception(std::size_t size) noexcept
{
    return std::malloc(size);
}

// Everything the engine and its libraries throw derives from std::exception alone, so the
// thrown object is one.
extern "C" [[noreturn]] void __cxa_throw(void* thrown, void* /*type*/, void (* /*destroy*/)(void*))
{
    const char* what = thrown ? static_cast<const std::exception*>(thrown)->what() : "";
    JsFail(what, std::strlen(what));
}
