#pragma once

// Fresh memory costs a page fault per 4 KB page on its first touch, and on virtual machines such a
// fault costs about 20 µs: the dozen pictures of about 2 MB each that a frame goes through (the
// painter's images, the composed frame, the window's backing store, its capture) cost some 3,500
// faults, most of a batch run. Backed by transparent huge pages they cost a few dozen.

/// Makes the heap serve large blocks too (instead of a fresh mapping for each, which a freed
/// picture returns to the system and the next one faults in again), grows it by 64 MB at once,
/// keeps up to that much free at its top, and asks the kernel to back that part with huge pages.
/// Call first thing in main, before any thread starts. Where the kernel has no transparent huge
/// pages (or they are off), only the heap settings take effect.
void UseHugePageHeap();
