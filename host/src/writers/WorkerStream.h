// A document stream whose items are written on a worker thread.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "OutputWriters.h"

namespace npar {

// Keeps an item a worker has written in written, for the thread that handed
// it over to free (see DocumentStream); with no room to keep it, frees it
// here instead. The caller holds the lock that guards written.
void HandBack(std::vector<std::unique_ptr<OutputItem>>& written, std::unique_ptr<OutputItem> item);

// Hands each item to stream on a worker thread, in order, so that the
// procedure goes on making the next item while one is written; End waits for
// the items handed over and then ends stream on the caller's thread. At most
// `waiting` items wait to be written: the procedure waits when the writer is
// that far behind, which bounds the memory they hold. The bytes are stream's
// own. Without a worker (one thread, or none could start) items are written
// as they come.
std::unique_ptr<DocumentStream> OnWorkerThread(std::unique_ptr<DocumentStream> stream,
                                               size_t waiting = 8);

}  // namespace npar
