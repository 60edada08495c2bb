#include "app/modFunc.h"

namespace app {

namespace {
ModFunc& instance() {
    static ModFunc values;
    return values;
}
} // namespace

ModFunc& modFunc() {
    return instance();
}

void resetModFunc() {
    instance() = ModFunc{};
}

} // namespace app
