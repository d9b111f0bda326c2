#include "ScopedEnvironment.h"

#include <cstdlib>

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) {
        previous = old;
    }
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (previous) {
        setenv(name.c_str(), previous->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}
