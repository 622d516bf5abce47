// std::string's out-of-line members, compiled here with the program's own
// options: the C++ library's copies of them are built for the Pentium Pro.
// Members nothing calls are dropped by the linker.
#include <string>

template class std::basic_string<char>;
