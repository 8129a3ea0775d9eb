// Setting and removing a variable of the process's environment, as the
// engine's getenv sees it, on either system.
#pragma once

#include <cstdlib>

inline void set_environment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);  // an empty value removes the variable here
#else
    setenv(name, value, 1);
#endif
}

inline void unset_environment(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}
