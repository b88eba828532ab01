// Included before every test source of the Windows build (cmake/Testing.cmake):
// the few POSIX calls the tests use to arrange their environment, on the
// C runtime's equivalents. The programs themselves never use these.
#pragma once

#if defined(_WIN32)

#include <direct.h>
#include <stdlib.h>
#include <string.h>

#include <random>

// setenv / unsetenv: _putenv_s changes the C runtime's copy and the process's
// own, so libcurl and the engine (which read either) see the change.
inline int setenv(const char* name, const char* value, int overwrite) {
    if (overwrite == 0 && getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

// mkdtemp: the trailing XXXXXX replaced until a new folder can be made.
inline char* mkdtemp(char* pattern) {
    const size_t length = strlen(pattern);
    if (length < 6 || strcmp(pattern + length - 6, "XXXXXX") != 0) {
        return nullptr;
    }
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (size_t i = length - 6; i < length; ++i) {
            pattern[i] = letters[random() % (sizeof letters - 1)];
        }
        if (_mkdir(pattern) == 0) {
            return pattern;
        }
    }
    return nullptr;
}

#endif
