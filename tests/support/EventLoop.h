#pragma once

// An event loop for tests that drive asynchronous Qt code without a GUI.

#include <functional>

namespace tavrik::test {

// Makes sure a QCoreApplication exists (one per process, never destroyed before exit).
void ensureCoreApplication();

// Runs the event loop until done() is true or timeoutMs passed; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10'000);

// Runs the event loop for whatever is ready now and what it posts, for a short while.
void drainEvents();

}  // namespace tavrik::test
