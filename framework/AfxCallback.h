// Calls into the program's handlers from the system's call-backs.
#pragma once

// Returns handler()'s result. In a build with exceptions (the tests' build), an
// exception that escapes the handler gives fallback instead of unwinding through
// the system's frames; the shipped program is built without exceptions.
template <typename R, typename F>
R AfxCallHandler(F&& handler, R fallback) {
#if defined(__cpp_exceptions)
    try {
        return handler();
    } catch (...) {
        return fallback;
    }
#else
    (void)fallback;
    return handler();
#endif
}
