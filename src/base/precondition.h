// Checks for programming errors: a violated precondition on constant arguments stops the
// process with a message instead of throwing.
#pragma once

#include <cstdio>
#include <cstdlib>

#define BW_PRECONDITION(condition, message)                                                        \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: precondition failed: %s\n", __FILE__, __LINE__, message); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
