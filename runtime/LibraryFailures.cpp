// Where the C++ library's headers would throw (a string or vector grown past its
// limit, an empty std::function called, a pure virtual function called) the
// program, built without exceptions, ends as an uncaught exception ended it.
// Defined here, these keep the library's throwing copies out of the program.
#include <bits/functexcept.h>

#include <cstdlib>

namespace std {

void __throw_bad_exception() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_bad_function_call() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }
void __throw_system_error(int) { abort(); }

}  // namespace std

extern "C" void __cxa_pure_virtual() { std::abort(); }
extern "C" void __cxa_deleted_virtual() { std::abort(); }
