#pragma once

// Libraries opened at run time (dlopen) rather than linked, so that starting the program does not
// load them: their functions are looked up one by one, typed by the library's own headers.

#include <dlfcn.h>

namespace chiffrel {

// Sets `function` to the library's function of that name; false when the library has none.
template <typename Function>
bool ResolveFunction(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

}  // namespace chiffrel
