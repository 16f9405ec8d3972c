#pragma once
// Settings of the C library's memory allocator for a process that builds
// large lists of small records, as a batch run over a big corpus does.

// Call once, first thing in main(), before other threads start. Keeps freed
// memory in the heap for reuse instead of handing it back to the system and
// faulting it in again, and asks for the heap's first part to be backed by
// large pages where the system offers them, so that filling a list of a
// million files takes a few hundred page faults instead of tens of
// thousands. Only the main thread's heap is affected. Harmless where large
// pages are off: the advice is then ignored.
void TuneHeapForLargeRuns();
