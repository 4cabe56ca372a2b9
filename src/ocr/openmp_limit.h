// One OpenMP thread per Tesseract call, for a program whose workers each recognise a page.
#pragma once

namespace scandesk {

/// Tesseract's OpenMP sections ask for several threads each (an explicit team size that
/// no per-thread setting overrides); only a thread limit present when the OpenMP runtime
/// starts, at program load, keeps them to the calling thread. Unless OMP_THREAD_LIMIT is
/// set already, this sets it to 1 and executes the program again with the same
/// arguments; it returns only when the limit was set before (or the program cannot be
/// executed again). Call it first thing in main, while the program has one thread.
void limitOpenMpThreads(char** argv);

}  // namespace scandesk
