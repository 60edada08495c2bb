// Linked into the tests that open journals anew and search them: the memory of a journal
// connection just closed goes to the next one of its size, as the system's allocator often
// does, so the search must not take a journal opened anew for the one before by its address.
#include "platform/Database.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<void*> recycled{nullptr};
} // namespace

void* operator new(std::size_t size) {
    if (void* block = size == sizeof(platform::db::Database) ? recycled.exchange(nullptr) : nullptr)
        return block;
    if (void* block = std::malloc(size))
        return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t size) noexcept {
    std::free(size == sizeof(platform::db::Database) ? recycled.exchange(block) : block);
}
