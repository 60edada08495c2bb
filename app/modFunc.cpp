#include "app/modFunc.h"

#include "store/backup/StartupBackup.h"
#include "store/search/SearchService.h"

namespace app {

namespace {
ModFunc& instance() {
    static ModFunc values;
    return values;
}
} // namespace

ModFunc::ModFunc() = default;
ModFunc::~ModFunc() = default;
ModFunc& ModFunc::operator=(ModFunc&&) noexcept = default;

ModFunc& modFunc() {
    return instance();
}

void resetModFunc() {
    instance() = ModFunc{};
}

} // namespace app
