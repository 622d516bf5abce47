// Where the C++ library's headers would throw (a string or vector grown past its
// limit, an empty std::function called, a pure virtual function called) the
// program, built without exceptions, ends as FailureExit.h says (with a person at
// the machine as an uncaught exception ended it; unattended at once, with no box).
// Defined here, these keep the library's throwing copies out of the program.
#include <bits/functexcept.h>

#include "FailureExit.h"

namespace std {

void __throw_bad_exception() { EndOnRuntimeFailure(); }
void __throw_bad_alloc() { EndOnRuntimeFailure(); }
void __throw_bad_array_new_length() { EndOnRuntimeFailure(); }
void __throw_bad_cast() { EndOnRuntimeFailure(); }
void __throw_bad_typeid() { EndOnRuntimeFailure(); }
void __throw_bad_function_call() { EndOnRuntimeFailure(); }
void __throw_logic_error(const char*) { EndOnRuntimeFailure(); }
void __throw_domain_error(const char*) { EndOnRuntimeFailure(); }
void __throw_invalid_argument(const char*) { EndOnRuntimeFailure(); }
void __throw_length_error(const char*) { EndOnRuntimeFailure(); }
void __throw_out_of_range(const char*) { EndOnRuntimeFailure(); }
void __throw_out_of_range_fmt(const char*, ...) { EndOnRuntimeFailure(); }
void __throw_runtime_error(const char*) { EndOnRuntimeFailure(); }
void __throw_range_error(const char*) { EndOnRuntimeFailure(); }
void __throw_overflow_error(const char*) { EndOnRuntimeFailure(); }
void __throw_underflow_error(const char*) { EndOnRuntimeFailure(); }
void __throw_system_error(int) { EndOnRuntimeFailure(); }

}  // namespace std

extern "C" void __cxa_pure_virtual() { EndOnRuntimeFailure(); }
extern "C" void __cxa_deleted_virtual() { EndOnRuntimeFailure(); }
