// The allocation functions of the launcher, which end the process on failure.
#include "runtime/runtime_failure.h"

#include <cstdlib>
#include <new>

// The global allocation functions of the launcher's image, in place of the
// runtime's, which throw on failure and so bring the exception machinery in.
// Nothing in the launcher could go on without the memory anyway.
void* operator new(std::size_t size) {
    void* const block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        EndProcessOnRuntimeFailure();
    }
    return block;
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
