// Executing the program again with the OpenMP thread limit in its environment.
#include "ocr/openmp_limit.h"

#include <stdlib.h>
#include <unistd.h>

namespace scandesk {

void limitOpenMpThreads(char** argv) {
    if (::getenv("OMP_THREAD_LIMIT") != nullptr) {
        return;
    }
    if (::setenv("OMP_THREAD_LIMIT", "1", 1) != 0) {
        return;
    }
    ::execv("/proc/self/exe", argv);
    // Still here: the program runs on, slower with Tesseract's default thread teams.
}

}  // namespace scandesk
