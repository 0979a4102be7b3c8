#include "RenderFixture.h"

namespace rendertest {
ServedFiles& Served() {
    static ServedFiles files;
    return files;
}
} // namespace rendertest
