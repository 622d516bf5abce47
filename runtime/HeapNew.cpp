// operator new and delete on the process heap. The program is built without
// exceptions: a request the heap cannot meet ends it as FailureExit.h says.
#include <windows.h>

#include <new>

#include "FailureExit.h"

namespace {

void* Allocate(std::size_t size) {
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1);
    if (!block) EndOnRuntimeFailure();
    return block;
}

void Release(void* block) {
    if (block) ::HeapFree(::GetProcessHeap(), 0, block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
