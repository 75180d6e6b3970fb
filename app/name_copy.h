// The bounded copy that the model loaders use for names.
#pragma once

// Copies at most capacity bytes, NUL-padding a shorter source as a fixed-length copy does, and
// always ends the destination with a NUL at index capacity - 1. Capacity -1 copies the whole
// text unbounded; absent pointers, a capacity of 0
// or any other negative capacity do nothing.
void BoundedNameCopy(char* destination, const char* source, int capacity);
